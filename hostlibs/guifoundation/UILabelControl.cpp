#include "UILabelControl.h"
#include "UILabelControl_p.h"

#include "UITheme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextOption>

#include <cmath>

UILabelControlPrivate::UILabelControlPrivate()
    : font(UITheme::font())
{}

UILabelControl::UILabelControl(QGraphicsItem *parent)
    : UILabelControl(*new UILabelControlPrivate, parent)
{}

UILabelControl::UILabelControl(UILabelControlPrivate &dd, QGraphicsItem *parent)
    : UIControl(dd, parent)
{
    setLayout(FreeLayout);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

UILabelControl::~UILabelControl() = default;

QString UILabelControl::text() const
{
    Q_D(const UILabelControl);
    return d->text;
}

void UILabelControl::setText(const QString &text)
{
    Q_D(UILabelControl);
    if (d->text == text)
        return;
    d->text = text;
    updateGeometry();
    update();
}

QColor UILabelControl::textColor() const
{
    Q_D(const UILabelControl);
    return d->textColor.isValid() ? d->textColor : UITheme::color(d->textRole, palette());
}

void UILabelControl::setTextColor(const QColor &color)
{
    Q_D(UILabelControl);
    if (d->textColor == color)
        return;
    d->textColor = color;
    update();
}

UITheme::Role UILabelControl::textRole() const
{
    Q_D(const UILabelControl);
    return d->textRole;
}

void UILabelControl::setTextRole(UITheme::Role role)
{
    Q_D(UILabelControl);
    if (d->textRole == role)
        return;
    d->textRole = role;
    update();
}

QFont UILabelControl::font() const
{
    Q_D(const UILabelControl);
    return d->font;
}

void UILabelControl::setFont(const QFont &font)
{
    Q_D(UILabelControl);
    if (d->font == font)
        return;
    d->font = font;
    updateGeometry();
    update();
}

Qt::Alignment UILabelControl::alignment() const
{
    Q_D(const UILabelControl);
    return d->alignment;
}

void UILabelControl::setAlignment(Qt::Alignment alignment)
{
    Q_D(UILabelControl);
    d->alignment = alignment;
    update();
}

bool UILabelControl::wordWrap() const
{
    Q_D(const UILabelControl);
    return d->wordWrap;
}

void UILabelControl::setWordWrap(bool wrap)
{
    Q_D(UILabelControl);
    if (d->wordWrap == wrap)
        return;
    d->wordWrap = wrap;
    updateGeometry();
    update();
}

bool UILabelControl::isElided() const
{
    Q_D(const UILabelControl);
    return !d->wordWrap && QFontMetricsF(d->font).horizontalAdvance(d->text) > width() + 0.5;
}

QSizeF UILabelControl::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    Q_D(const UILabelControl);
    if (which != Qt::PreferredSize && which != Qt::MinimumSize)
        return UIControl::sizeHint(which, constraint);
    const QFontMetricsF metrics(d->font);
    const qreal lineHeight = std::ceil(metrics.height());
    if (which == Qt::MinimumSize)
        return QSizeF(0, lineHeight);
    if (d->wordWrap) {
        // Wrapped text is as tall as it needs at the width it is given.
        // Not preferredWidth(): that asks this very function.
        const qreal wrapWidth = constraint.width() > 0 ? constraint.width() : width();
        if (wrapWidth > 0) {
            const QRectF needed = metrics.boundingRect(
                QRectF(0, 0, wrapWidth, 1e6), int(d->alignment) | Qt::TextWordWrap, d->text);
            return QSizeF(wrapWidth, std::max(lineHeight, std::ceil(needed.height())));
        }
    }
    return QSizeF(std::ceil(metrics.horizontalAdvance(d->text)), lineHeight);
}

void UILabelControl::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                           QWidget *widget)
{
    Q_D(UILabelControl);
    UIControl::paint(painter, option, widget);
    if (d->text.isEmpty())
        return;
    painter->save();
    painter->setFont(d->font);
    QColor color = textColor();
    if (!isEnabled())
        color.setAlphaF(color.alphaF() * 0.45);
    painter->setPen(color);
    const QRectF area = rect();
    if (d->wordWrap) {
        painter->drawText(area, int(d->alignment) | Qt::TextWordWrap, d->text);
    } else {
        const QString shown =
            QFontMetricsF(d->font).elidedText(d->text, Qt::ElideRight, area.width());
        painter->drawText(area, int(d->alignment) | Qt::TextSingleLine, shown);
    }
    painter->restore();
}
