#include "TextEditWindow.h"

#include "BasicLayer.h"
#include "EditorSupport.h"
#include "FontColorWindow.h"
#include "FontFamilies.h"
#include "IPreviewController.h"
#include "Log.h"
#include "StoredValue.h"
#include "TextLayerData.h"

#include <appcommon/pubfunc.h>
#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UIComboBoxControl.h>
#include <guifoundation/UILabelControl.h>
#include <guifoundation/UIRegistration.h>
#include <guifoundation/UITextEditControl.h>

#include <QComboBox>
#include <QGraphicsTextItem>
#include <QStandardItemModel>
#include <QTextBoundaryFinder>
#include <QTextEdit>

#include <cmath>

UI_REGISTER_WINDOW(TextEditWindow);

namespace {

const char PointSizeList[] = "8,10,12,14,16,18,20,22,24,26,28,36";

bool isUnwantedControl(QChar c)
{
    // Line feeds are part of a text layer; other control characters would only reach the
    // picture as boxes and the stored file and log as garbage.
    return c.category() == QChar::Other_Control && c != QLatin1Char('\n');
}

// The length of the last user-perceived character, so that cutting never splits a surrogate
// pair or a base letter from its marks.
qsizetype lastCharacterLength(const QString &text)
{
    if (text.isEmpty())
        return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.toEnd();
    const qsizetype previous = finder.toPreviousBoundary();
    return previous < 0 ? 1 : text.size() - previous;
}

bool styleOf(const QFont &font, int style)
{
    switch (style) {
    case 0:
        return font.bold();
    case 1:
        return font.italic();
    default:
        return font.underline();
    }
}

void setStyleOf(QFont &font, int style, bool on)
{
    switch (style) {
    case 0:
        font.setBold(on);
        break;
    case 1:
        font.setItalic(on);
        break;
    default:
        font.setUnderline(on);
        break;
    }
}

} // namespace

TextEditWindow::TextEditWindow(QWidget *parent)
    : BaseThemeWindow(parent)
    , LayerEditor(this, LT_TEXT)
{
    m_checkTimer.setSingleShot(true);
    m_checkTimer.setInterval(CheckTimeoutMs);
    connect(&m_checkTimer, &QTimer::timeout, this, &TextEditWindow::on_checkWordTimeOut);
}

TextEditWindow::~TextEditWindow() = default;

TextEditWindow *TextEditWindow::create(IPreviewController *controller, QWidget *parent)
{
    auto *window =
        EditorSupport::build<TextEditWindow>(QStringLiteral(":/layout/texteditwindow.xml"), parent);
    if (!window)
        return nullptr;
    window->m_controller = controller;
    if (controller) {
        controller->connectFilterWordResults(window,
                                             [window](const std::string &taskId, bool valid) {
                                                 window->on_FilterWordResult(taskId, valid);
                                             });
    }
    return window;
}

void TextEditWindow::setupUi()
{
    setTitleText(tr("textedit"));
    m_fontNamesBox = findChild<UIComboBoxControl *>(QStringLiteral("fontNamesCombobox"));
    m_fontHeightBox = findChild<UIComboBoxControl *>(QStringLiteral("fontHeightCombobox"));
    m_textBox = findChild<UITextEditControl *>(QStringLiteral("textedite"));
    m_colorButton = findChild<UIButtonControl *>(QStringLiteral("buttonFontColor"));
    m_boldButton = findChild<UIButtonControl *>(QStringLiteral("buttonFontBold"));
    m_italicButton = findChild<UIButtonControl *>(QStringLiteral("buttonFontItalic"));
    m_underlineButton = findChild<UIButtonControl *>(QStringLiteral("buttonFontUnderline"));
    m_errorLabel = findChild<UILabelControl *>(QStringLiteral("errorLabel"));
    m_cancelButton = findChild<UIButtonControl *>(QStringLiteral("cancelButton"));
    m_okButton = findChild<UIButtonControl *>(QStringLiteral("okButton"));

    if (m_textBox) {
        m_textBox->setDefaultContextMenuEnable(false);
        m_textBox->qTextEdit()->setUndoRedoEnabled(true);
        m_textBox->setMaxLength(TypedTextLength);
    }
    if (m_errorLabel) {
        m_errorColor = m_errorLabel->textColor();
        m_errorLabel->setVisible(false);
    }
    // Typing right after the window opens goes into the text.
    setInitialFocus(m_textBox);

    // Each family is listed in its own face, so the list shows what it offers.
    m_fontNames = FontFamilies::installedFamilies();
    if (m_fontNamesBox) {
        auto *model = new QStandardItemModel(m_fontNamesBox);
        for (const QString &family : std::as_const(m_fontNames)) {
            auto *item = new QStandardItem(family);
            item->setFont(QFont(family, m_fontNamesBox->comboBox()->font().pointSize()));
            item->setEditable(false);
            model->appendRow(item);
        }
        m_fontNamesBox->setModel(model);
        m_fontNamesBox->setCurrentIndex(-1);
    }
    const QStringList sizes = QString::fromLatin1(PointSizeList).split(QLatin1Char(','));
    for (const QString &size : sizes)
        m_fontHeights.append(int(size.toUInt()));
    if (m_fontHeightBox) {
        m_fontHeightBox->setItems(sizes);
        m_fontHeightBox->setCurrentIndex(-1);
    }

    EditorSupport::connectByName(this, "cancelButton", SIGNAL(clicked()),
                                 SLOT(on_cancelBtn_clicked()));
    EditorSupport::connectByName(this, "okButton", SIGNAL(clicked()), SLOT(on_okBtn_clicked()));
    connect(this, &UIBaseWindow::aboutToClose, this, &TextEditWindow::on_aboutToClose);
}

void TextEditWindow::setLayerData(BasicLayerData *record)
{
    if (!takeRecord(record, m_controller))
        return;
    const TextLayerData *text = this->record();
    m_fontConfig.setFont(text->font);
    m_fontConfig.setColor(text->color);

    const QFont &font = m_fontConfig.font();
    m_nameIndex = int(m_fontNames.indexOf(font.family()));
    m_heightIndex = int(m_fontHeights.indexOf(font.pointSize()));
    // Selecting the font's own entries changes nothing in the font.
    if (m_fontNamesBox)
        m_fontNamesBox->setCurrentIndex(m_nameIndex);
    if (m_fontHeightBox)
        m_fontHeightBox->setCurrentIndex(m_heightIndex);
    if (m_boldButton)
        m_boldButton->setChecked(font.bold());
    if (m_italicButton)
        m_italicButton->setChecked(font.italic());
    if (m_underlineButton)
        m_underlineButton->setChecked(font.underline());
    if (m_textBox) {
        m_textBox->setText(text->text);
        QTextCursor cursor = m_textBox->textCursor();
        cursor.movePosition(QTextCursor::End);
        m_textBox->setTextCursor(cursor);
    }

    QObject *item = text->layer;
    connect(this, SIGNAL(fontOrColorChanged(FontInfoConfig, QString)), item,
            SLOT(on_fontOrColorChanged(FontInfoConfig, QString)));
    connect(this, SIGNAL(geometryChanged(QRectF)), item, SLOT(on_geometryChanged(QRectF)));
}

bool TextEditWindow::_checkOutOfRange()
{
    TextLayerData *text = record();
    if (!text || !m_controller || !m_controller->hasLayer(text->layer))
        return false;
    QRectF &geometry = text->geometry;
    const qreal x = geometry.x();
    const qreal y = geometry.y();
    // The item's own measure: the editor keeps inside the scene exactly what the item draws.
    const auto *item = static_cast<const BasicLayer *>(text->layer); // the scene's own
    const QSize size = item->textSizeInScene(m_fontConfig.font(), text->text);
    const QRectF &scene = text->textRect;
    const qreal dx = scene.width() - std::trunc(x + size.width() + 10);
    const qreal dy = scene.height() - std::trunc(y + size.height() + 5);
    if (dx >= 0 && dy >= 0)
        return false;
    // Moving the layer left or up brings the text back in, unless it would then start before
    // the scene's own edge.
    if (scene.x() > x + dx)
        return true;
    if (dx < 0)
        geometry.setLeft(x + dx);
    if (scene.y() > y + dy)
        return true;
    if (dy < 0)
        geometry.setTop(y + dy);
    geometry.setWidth(size.width() + 10);
    geometry.setHeight(size.height() + 5);
    Q_EMIT geometryChanged(geometry);
    return false;
}

void TextEditWindow::on_textedite_textChanged()
{
    if (!m_textBox || hasEnded())
        return;
    const QString typed = m_textBox->text();
    QString text;
    text.reserve(typed.size());
    for (const QChar c : typed) {
        if (!isUnwantedControl(c))
            text.append(c);
    }
    if (text != typed) {
        // Put the cleaned text back where the cursor was; this slot runs again for it.
        const int cursorAt = m_textBox->textCursor().position();
        int removedBefore = 0;
        for (int i = 0; i < cursorAt && i < typed.size(); ++i)
            removedBefore += isUnwantedControl(typed.at(i)) ? 1 : 0;
        m_textBox->setText(text);
        QTextCursor cursor = m_textBox->textCursor();
        cursor.setPosition(std::clamp(cursorAt - removedBefore, 0, int(text.size())));
        m_textBox->setTextCursor(cursor);
        return;
    }
    TextLayerData *edited = record();
    if (!edited)
        return;
    edited->text = text;

    if (text.size() > MaxTextLength) {
        m_quiet = false;
        _showError(tr("inpute too long text ,auto cut off 100 char. "));
        _setBoxText(text.left(MaxTextLength));
        return;
    }
    // The layout stores a line break as "[n]", and a stored text longer than the box allows
    // makes the next start refuse the whole layout: the box keeps to what can be stored.
    if (StoredValue::fromText(text).size() > TypedTextLength) {
        QString fitted = text;
        do {
            fitted.chop(lastCharacterLength(fitted));
        } while (!fitted.isEmpty() && StoredValue::fromText(fitted).size() > TypedTextLength);
        edited->text = fitted;
        _setBoxText(fitted);
        return;
    }
    if (_checkOutOfRange()) {
        m_quiet = false;
        _showError(tr("out of range can't input. "));
        QString fitted = text;
        do {
            fitted.chop(lastCharacterLength(fitted));
            edited->text = fitted;
        } while (!fitted.isEmpty() && _checkOutOfRange());
        _setBoxText(fitted);
        return;
    }
    // A message raised by the last change stays through the text's programmatic re-set and
    // goes with the next change the user makes.
    if (m_quiet)
        _hideError();
    else
        m_quiet = true;
    _emitChange();
}

void TextEditWindow::_setBoxText(const QString &text)
{
    m_textBox->setText(text);
    QTextCursor cursor = m_textBox->textCursor();
    cursor.movePosition(QTextCursor::End);
    m_textBox->setTextCursor(cursor);
}

bool TextEditWindow::_tryFont(const QFont &font)
{
    const QFont previous = m_fontConfig.font();
    m_fontConfig.setFont(font);
    if (!_checkOutOfRange())
        return true;
    m_fontConfig.setFont(previous);
    _showError(tr("out of range can't change font."));
    return false;
}

void TextEditWindow::_applyStyle(UIButtonControl *button, Style style)
{
    if (!button || hasEnded())
        return;
    const int which = int(style);
    const bool wanted = button->checked();
    const bool current = styleOf(m_fontConfig.font(), which);
    if (wanted == current)
        return;
    QFont font = m_fontConfig.font();
    setStyleOf(font, which, wanted);
    if (!_tryFont(font)) {
        button->setChecked(current);
        return;
    }
    _hideError();
    _emitChange();
}

void TextEditWindow::on_buttonFontBold_clicked()
{
    _applyStyle(m_boldButton, Style::Bold);
}

void TextEditWindow::on_buttonFontItalic_clicked()
{
    _applyStyle(m_italicButton, Style::Italic);
}

void TextEditWindow::on_buttonFontUnderline_clicked()
{
    _applyStyle(m_underlineButton, Style::Underline);
}

void TextEditWindow::on_fontNamesCombobox_currentIndexChanged(int index)
{
    if (!m_fontNamesBox || hasEnded() || index < 0 || index >= m_fontNamesBox->count())
        return;
    const QString family = m_fontNamesBox->comboBox()->itemText(index);
    if (family.isEmpty() || family == m_fontConfig.font().family())
        return;
    QFont font = m_fontConfig.font();
    font.setFamily(family);
    if (!_tryFont(font)) {
        // Back to the family accepted before; selecting it again changes nothing.
        m_fontNamesBox->setCurrentIndex(m_nameIndex);
        return;
    }
    _hideError();
    m_nameIndex = index;
    _emitChange();
}

void TextEditWindow::on_fontHeightCombobox_currentIndexChanged(int index)
{
    if (!m_fontHeightBox || hasEnded() || index < 0 || index >= m_fontHeightBox->count())
        return;
    bool ok = false;
    const int pointSize = m_fontHeightBox->comboBox()->itemText(index).toInt(&ok, 10);
    if (!ok || pointSize <= 0 || pointSize == m_fontConfig.font().pointSize())
        return;
    QFont font = m_fontConfig.font();
    font.setPointSize(pointSize);
    if (!_tryFont(font)) {
        m_fontHeightBox->setCurrentIndex(m_heightIndex);
        return;
    }
    _hideError();
    m_heightIndex = index;
    _emitChange();
}

void TextEditWindow::on_buttonFontColor_clicked()
{
    auto *button = qobject_cast<UIButtonControl *>(sender());
    if (!button)
        button = m_colorButton;
    if (!button || hasEnded())
        return;
    if (!button->checked()) {
        if (m_colorWindow)
            m_colorWindow->close();
        return;
    }
    // Closed pop-ups are kept hidden; one at a time is enough.
    if (m_colorWindow)
        m_colorWindow->deleteLater();
    m_colorWindow = FontColorWindow::create(this);
    if (!m_colorWindow) {
        button->setChecked(false);
        return;
    }
    m_colorWindow->setAttribute(Qt::WA_DeleteOnClose, false);
    connect(m_colorWindow, SIGNAL(colorSelected(QColor)), this, SLOT(on_colorSelected(QColor)));
    m_colorWindow->showFor(button, m_fontConfig.font(), m_fontConfig.color());
}

void TextEditWindow::on_colorSelected(const QColor &color)
{
    if (hasEnded() || color == m_fontConfig.color())
        return;
    m_fontConfig.setColor(color);
    _emitChange();
}

void TextEditWindow::on_okBtn_clicked()
{
    if (!record() || _checkOutOfRange())
        return;
    m_checkTimer.start();
    m_pendingTaskId = pubfunc::createGUID();
    m_checkedText = record()->text;
    _showNote(tr("checking the text..."));
    // The host may answer before this returns.
    if (m_controller)
        m_controller->requestFilterWordCheck(m_pendingTaskId, m_checkedText.toStdWString());
}

void TextEditWindow::on_FilterWordResult(const std::string &taskId, bool bValid)
{
    logInfo(L"TextEditWindow::on_FilterWordResult");
    if (hasEnded() || m_pendingTaskId.empty() || taskId != m_pendingTaskId)
        return;
    m_pendingTaskId.clear();
    m_checkTimer.stop();
    // The answer is about the text that was sent; what the user typed since is unchecked.
    if (!record() || record()->text != m_checkedText) {
        _showError(tr("the text changed while it was checked: press ok again."));
        return;
    }
    if (bValid && !record()->text.isEmpty()) {
        done(Result::Confirmed);
        return;
    }
    _showError(tr("content is not valid."));
}

void TextEditWindow::on_checkWordTimeOut()
{
    logInfo(L"TextEditWindow::on_checkWordTimeOut");
    // The request stands: an answer that comes later still confirms.
    _showError(tr("can not check word is valid."));
}

void TextEditWindow::on_cancelBtn_clicked()
{
    done(Result::Discarded);
}

void TextEditWindow::on_aboutToClose()
{
    if (m_colorWindow)
        m_colorWindow->close();
    _dropPendingCheck();
}

void TextEditWindow::_dropPendingCheck()
{
    m_pendingTaskId.clear();
    m_checkTimer.stop();
}

bool TextEditWindow::_isWaitingForCheck() const
{
    return !m_pendingTaskId.empty() && m_checkTimer.isActive();
}

void TextEditWindow::_showError(const QString &message)
{
    if (!m_errorLabel)
        return;
    m_errorLabel->setTextColor(m_errorColor);
    m_errorLabel->setText(message);
    m_errorLabel->setVisible(true);
}

void TextEditWindow::_showNote(const QString &message)
{
    if (!m_errorLabel)
        return;
    m_errorLabel->setTextColor(palette().color(QPalette::PlaceholderText));
    m_errorLabel->setText(message);
    m_errorLabel->setVisible(true);
}

void TextEditWindow::_hideError()
{
    if (_isWaitingForCheck())
        _showNote(tr("checking the text..."));
    else if (m_errorLabel)
        m_errorLabel->setVisible(false);
}

void TextEditWindow::_emitChange()
{
    Q_EMIT fontOrColorChanged(m_fontConfig, record() ? record()->text : QString());
}
