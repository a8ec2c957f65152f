#include "UILineEditControl.h"

#include "UIFieldStyle.h"
#include "UIProxyControl_p.h"
#include "UITheme.h"

#include <QLineEdit>

class UILineEditControlPrivate : public UIProxyControlPrivate
{
public:
    QLineEdit *edit = nullptr;
};

UILineEditControl::UILineEditControl(QGraphicsItem *parent)
    : UILineEditControl(*new UILineEditControlPrivate, parent)
{}

UILineEditControl::UILineEditControl(UILineEditControlPrivate &dd, QGraphicsItem *parent)
    : UIControl(dd, parent)
{
    Q_D(UILineEditControl);
    setLayout(FreeLayout);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    d->edit = new QLineEdit;
    d->edit->setFont(UITheme::font());
    d->embed(this, d->edit);
    d->setStyleSheet(
        [](const QPalette &colours) { return uiFieldStyleSheet("QLineEdit", colours); });
    connect(d->edit, &QLineEdit::textChanged, this, &UILineEditControl::textChanged);
    connect(d->edit, &QLineEdit::textEdited, this, &UILineEditControl::textEdited);
    connect(d->edit, &QLineEdit::returnPressed, this, &UILineEditControl::returnPressed);
    connect(d->edit, &QLineEdit::editingFinished, this, &UILineEditControl::editingFinished);
}

UILineEditControl::~UILineEditControl()
{
    Q_D(UILineEditControl);
    d->disown(this);
}

QString UILineEditControl::text() const
{
    Q_D(const UILineEditControl);
    return d->edit->text();
}

void UILineEditControl::setText(const QString &text)
{
    Q_D(UILineEditControl);
    d->edit->setText(text);
}

QString UILineEditControl::placeholder() const
{
    Q_D(const UILineEditControl);
    return d->edit->placeholderText();
}

void UILineEditControl::setPlaceholder(const QString &text)
{
    Q_D(UILineEditControl);
    d->edit->setPlaceholderText(text);
}

int UILineEditControl::maxLength() const
{
    Q_D(const UILineEditControl);
    return d->edit->maxLength();
}

void UILineEditControl::setMaxLength(int length)
{
    Q_D(UILineEditControl);
    d->edit->setMaxLength(length);
}

bool UILineEditControl::isReadOnly() const
{
    Q_D(const UILineEditControl);
    return d->edit->isReadOnly();
}

void UILineEditControl::setReadOnly(bool readOnly)
{
    Q_D(UILineEditControl);
    d->edit->setReadOnly(readOnly);
}

QLineEdit *UILineEditControl::lineEdit() const
{
    Q_D(const UILineEditControl);
    return d->edit;
}

void UILineEditControl::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    Q_D(UILineEditControl);
    UIControl::resizeEvent(event);
    d->fit(size());
}

QSizeF UILineEditControl::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    if (which == Qt::PreferredSize)
        return QSizeF(180, 30);
    return UIControl::sizeHint(which, constraint);
}
