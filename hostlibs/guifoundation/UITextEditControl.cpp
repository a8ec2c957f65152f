#include "UITextEditControl.h"

#include "UIFieldStyle.h"
#include "UIProxyControl_p.h"
#include "UITheme.h"

#include <QTextEdit>

class UITextEditControlPrivate : public UIProxyControlPrivate
{
public:
    QTextEdit *edit = nullptr;
    QString lastText;
    int maxLength = 0;
    bool trimming = false;
};

UITextEditControl::UITextEditControl(QGraphicsItem *parent)
    : UITextEditControl(*new UITextEditControlPrivate, parent)
{}

UITextEditControl::UITextEditControl(UITextEditControlPrivate &dd, QGraphicsItem *parent)
    : UIControl(dd, parent)
{
    Q_D(UITextEditControl);
    setLayout(FreeLayout);
    d->edit = new QTextEdit;
    d->edit->setAcceptRichText(false);
    d->edit->setFont(UITheme::font());
    d->edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    d->embed(this, d->edit);
    d->setStyleSheet(
        [](const QPalette &colours) { return uiFieldStyleSheet("QTextEdit", colours); });
    // A scroll area draws its style sheet's frame and background only as an opaque widget;
    // translucent (as embed() makes it) the box would show no edge at all.
    d->edit->setAttribute(Qt::WA_TranslucentBackground, false);
    d->edit->setAttribute(Qt::WA_NoSystemBackground, false);
    connect(d->edit, &QTextEdit::textChanged, this, &UITextEditControl::_onTextChanged);
}

UITextEditControl::~UITextEditControl()
{
    Q_D(UITextEditControl);
    d->disown(this);
}

QTextEdit *UITextEditControl::qTextEdit() const
{
    Q_D(const UITextEditControl);
    return d->edit;
}

QTextCursor UITextEditControl::textCursor() const
{
    Q_D(const UITextEditControl);
    return d->edit->textCursor();
}

void UITextEditControl::setTextCursor(const QTextCursor &cursor)
{
    Q_D(UITextEditControl);
    d->edit->setTextCursor(cursor);
}

QString UITextEditControl::text() const
{
    Q_D(const UITextEditControl);
    return d->edit->toPlainText();
}

void UITextEditControl::setText(const QString &text)
{
    Q_D(UITextEditControl);
    d->edit->setPlainText(text);
}

QString UITextEditControl::placeholder() const
{
    Q_D(const UITextEditControl);
    return d->edit->placeholderText();
}

void UITextEditControl::setPlaceholder(const QString &text)
{
    Q_D(UITextEditControl);
    d->edit->setPlaceholderText(text);
}

int UITextEditControl::maxLength() const
{
    Q_D(const UITextEditControl);
    return d->maxLength;
}

void UITextEditControl::setMaxLength(int length)
{
    Q_D(UITextEditControl);
    d->maxLength = std::max(0, length);
    if (d->maxLength > 0 && text().size() > d->maxLength)
        setText(text().left(d->maxLength));
}

void UITextEditControl::setDefaultContextMenuEnable(bool enable)
{
    Q_D(UITextEditControl);
    d->edit->setContextMenuPolicy(enable ? Qt::DefaultContextMenu : Qt::NoContextMenu);
}

void UITextEditControl::_onTextChanged()
{
    Q_D(UITextEditControl);
    if (d->trimming)
        return;
    const int excess = d->maxLength > 0 ? int(text().size()) - d->maxLength : 0;
    if (excess > 0) {
        // Drop what was just typed or pasted: the characters before the cursor.
        d->trimming = true;
        QTextCursor cursor = d->edit->textCursor();
        const int end = cursor.position();
        cursor.setPosition(std::max(0, end - excess));
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        // A change that did not end at the cursor (a replaced text): cut the end.
        if (text().size() > d->maxLength) {
            cursor.movePosition(QTextCursor::End);
            cursor.setPosition(d->maxLength, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        d->edit->setTextCursor(cursor);
        d->trimming = false;
    }
    // Formatting changes and dropped input leave the text as it was: nothing to tell.
    const QString current = text();
    if (current == d->lastText)
        return;
    d->lastText = current;
    Q_EMIT textChanged();
}

void UITextEditControl::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    Q_D(UITextEditControl);
    UIControl::resizeEvent(event);
    d->fit(size());
}

QSizeF UITextEditControl::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    if (which == Qt::PreferredSize)
        return QSizeF(240, 80);
    return UIControl::sizeHint(which, constraint);
}
