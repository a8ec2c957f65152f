#include "FontColorWindow.h"

#include "EditorSupport.h"

#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UILabelControl.h>
#include <guifoundation/UIRegistration.h>
#include <guifoundation/UITheme.h>

#include <QColorDialog>
#include <QCursor>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QScreen>

UI_REGISTER_WINDOW(FontColorWindow);

namespace {
constexpr int AnchorGap = 6;
constexpr qreal PreviewPointSize = 15;
} // namespace

FontColorWindow::FontColorWindow(QWidget *parent)
    : UIWindow(parent)
{}

FontColorWindow::~FontColorWindow() = default;

FontColorWindow *FontColorWindow::create(QWidget *parent)
{
    return EditorSupport::build<FontColorWindow>(QStringLiteral(":/layout/fontcolorwidow.xml"),
                                                 parent);
}

void FontColorWindow::setupUi()
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    EditorSupport::connectByName(this, "colorWidget", SIGNAL(sizeChanged(QSizeF)),
                                 SLOT(onSelectorSizeChanged(QSizeF)));
}

void FontColorWindow::showFor(UIControl *anchor, const QFont &font, const QColor &color)
{
    QFont preview = font;
    preview.setPointSizeF(PreviewPointSize);
    m_anchor = anchor;
    m_color = color;
    _place();
    show();
    setFocus(Qt::PopupFocusReason);
    activateWindow();
    if (auto *sample = findChild<UILabelControl *>(QStringLiteral("prevWidget")))
        sample->setFont(preview);
    _showSample(color);
}

void FontColorWindow::_showSample(const QColor &color)
{
    auto *sample = findChild<UILabelControl *>(QStringLiteral("prevWidget"));
    if (!sample)
        return;
    sample->setTextColor(color);
    // White on a light window (or black on a dark one) would not show: such a colour gets a
    // backdrop of the opposite tone.
    const QColor window = UITheme::color(UITheme::Window, palette());
    QColor backdrop = Qt::transparent;
    if (UITheme::contrast(color, window) < 3) {
        const QColor dark(51, 51, 51);
        const QColor light(240, 240, 240);
        backdrop = UITheme::contrast(color, dark) >= UITheme::contrast(color, light) ? dark : light;
    }
    sample->setBackgroundColor(backdrop);
}

void FontColorWindow::_place()
{
    const QRect anchor = m_anchor ? m_anchor->globalRect() : QRect();
    QRect placed(anchor.left() - width(), anchor.top() - height() - AnchorGap, width(), height());
    const QScreen *screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = this->screen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        // No room above the button: below it. No room to its left: from its left edge.
        if (placed.top() < area.top())
            placed.moveTop(anchor.bottom() + 1 + AnchorGap);
        if (placed.left() < area.left())
            placed.moveLeft(anchor.left());
        placed.moveLeft(std::clamp(placed.left(), area.left(),
                                   std::max(area.left(), area.right() + 1 - placed.width())));
        placed.moveTop(std::clamp(placed.top(), area.top(),
                                  std::max(area.top(), area.bottom() + 1 - placed.height())));
    }
    setGeometry(placed);
}

void FontColorWindow::onSelectorSizeChanged(const QSizeF &size)
{
    auto *root = findChild<UIControl *>(QStringLiteral("rootWidget"));
    if (!root)
        return;
    QSizeF total = size;
    const QObject *selector = sender();
    for (QGraphicsItem *child : root->childItems()) {
        if (!child->isWidget())
            continue;
        auto *control = qobject_cast<UIControl *>(static_cast<QGraphicsWidget *>(child));
        if (!control || control == selector)
            continue;
        total.rheight() += control->height();
        control->setFixWidth(int(size.width()));
    }
    root->setFixSize(total);
    if (auto *parentControl = qobject_cast<UIControl *>(root->parentWidget())) {
        const QMarginsF margins = parentControl->margins();
        total += QSizeF(margins.left() + margins.right(), margins.top() + margins.bottom());
    }
    setFixSize(total.toSize());
    _place();
}

void FontColorWindow::on_colorWidget_colorEnter(const QColor &color)
{
    _showSample(color);
}

void FontColorWindow::on_colorWidget_colorSelected(const QColor &color)
{
    const QPointer<FontColorWindow> alive(this);
    Q_EMIT colorSelected(color);
    if (alive)
        close();
}

void FontColorWindow::on_moreColorsButton_clicked()
{
    // The pop-up closes as it does for a swatch; Qt's colour dialog, over the editor, offers
    // any colour, white included, and reports it through this window's colorSelected().
    QWidget *owner = parentWidget();
    close();
    auto *dialog = new QColorDialog(m_color, owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QColorDialog::DontUseNativeDialog);
    dialog->setWindowTitle(tr("font color"));
    UITheme::usePaletteOf(dialog, owner);
    connect(dialog, &QColorDialog::colorSelected, this, &FontColorWindow::colorSelected);
    dialog->open();
}

void FontColorWindow::focusOutEvent(QFocusEvent *event)
{
    UIWindow::focusOutEvent(event);
    // A click on the button that opened the window is the button's to handle: it closes the
    // window when it unchecks.
    if (m_anchor && m_anchor->globalRect().contains(QCursor::pos()))
        return;
    if (isVisible())
        close();
}

void FontColorWindow::closeEvent(QCloseEvent *event)
{
    if (auto *button = qobject_cast<UIButtonControl *>(m_anchor.data()))
        button->setChecked(false);
    UIWindow::closeEvent(event);
}
