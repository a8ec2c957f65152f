#include "UIButtonControl.h"
#include "UIButtonControl_p.h"

#include "UITheme.h"

#include <QCursor>
#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include <cmath>

UIButtonControlPrivate::UIButtonControlPrivate()
    : font(UITheme::font())
{}

UIButtonControl::UIButtonControl(QGraphicsItem *parent)
    : UIButtonControl(*new UIButtonControlPrivate, parent)
{}

UIButtonControl::UIButtonControl(UIButtonControlPrivate &dd, QGraphicsItem *parent)
    : UIControl(dd, parent)
{
    setLayout(FreeLayout);
    setAcceptHoverEvents(true);
    setAcceptedMouseButtons(Qt::LeftButton);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

UIButtonControl::~UIButtonControl() = default;

QString UIButtonControl::text() const
{
    Q_D(const UIButtonControl);
    return d->text;
}

void UIButtonControl::setText(const QString &text)
{
    Q_D(UIButtonControl);
    if (d->text == text)
        return;
    d->text = text;
    updateGeometry();
    update();
}

QString UIButtonControl::imagePath() const
{
    Q_D(const UIButtonControl);
    return d->imagePath;
}

void UIButtonControl::setImagePath(const QString &path)
{
    Q_D(UIButtonControl);
    if (d->imagePath == path)
        return;
    d->imagePath = path;
    updateGeometry();
    update();
}

bool UIButtonControl::isCheckable() const
{
    Q_D(const UIButtonControl);
    return d->checkable;
}

void UIButtonControl::setCheckable(bool checkable)
{
    Q_D(UIButtonControl);
    d->checkable = checkable;
    if (!checkable)
        setChecked(false);
}

bool UIButtonControl::checked() const
{
    Q_D(const UIButtonControl);
    return d->checked;
}

void UIButtonControl::setChecked(bool checked)
{
    Q_D(UIButtonControl);
    if (d->checked == checked || (checked && !d->checkable))
        return;
    d->checked = checked;
    update();
    Q_EMIT toggled(checked);
}

QColor UIButtonControl::textColor() const
{
    Q_D(const UIButtonControl);
    return d->textColor;
}

void UIButtonControl::setTextColor(const QColor &color)
{
    Q_D(UIButtonControl);
    d->textColor = color;
    update();
}

QFont UIButtonControl::font() const
{
    Q_D(const UIButtonControl);
    return d->font;
}

void UIButtonControl::setFont(const QFont &font)
{
    Q_D(UIButtonControl);
    d->font = font;
    updateGeometry();
    update();
}

bool UIButtonControl::isHovered() const
{
    Q_D(const UIButtonControl);
    return d->hovered;
}

bool UIButtonControl::isDown() const
{
    Q_D(const UIButtonControl);
    return d->down;
}

void UIButtonControl::click()
{
    Q_D(UIButtonControl);
    if (!isEnabled())
        return;
    d->down = true;
    Q_EMIT pressed();
    _finishClick();
}

void UIButtonControl::_finishClick()
{
    Q_D(UIButtonControl);
    // Receivers may close the window and delete the button; stop touching it then.
    const QPointer<UIButtonControl> alive(this);
    d->down = false;
    update();
    if (d->checkable)
        setChecked(!d->checked);
    if (alive)
        Q_EMIT released();
    if (alive)
        Q_EMIT clicked();
}

QSizeF UIButtonControl::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    Q_D(const UIButtonControl);
    if (which != Qt::PreferredSize)
        return UIControl::sizeHint(which, constraint);
    QSizeF size(0, 0);
    if (!d->imagePath.isEmpty()) {
        const QPixmap picture = UITheme::pixmap(d->imagePath);
        size = picture.deviceIndependentSize();
    }
    if (!d->text.isEmpty()) {
        const QFontMetricsF metrics(d->font);
        size = size.expandedTo(QSizeF(std::ceil(metrics.horizontalAdvance(d->text)) + 24,
                                      std::ceil(metrics.height()) + 12));
    }
    return size.isEmpty() ? QSizeF(24, 24) : size;
}

void UIButtonControl::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    Q_D(UIButtonControl);
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    d->down = true;
    update();
    Q_EMIT pressed();
}

void UIButtonControl::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    Q_D(UIButtonControl);
    // Like a push button, sliding off shows the button up; a release there is no click.
    const bool inside = rect().contains(event->pos());
    if (inside != d->down) {
        d->down = inside;
        update();
    }
}

void UIButtonControl::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    Q_D(UIButtonControl);
    if (event->button() != Qt::LeftButton)
        return;
    if (rect().contains(event->pos())) {
        _finishClick();
    } else {
        d->down = false;
        update();
        Q_EMIT released();
    }
}

void UIButtonControl::hoverEnterEvent(QGraphicsSceneHoverEvent *event)
{
    Q_D(UIButtonControl);
    d->hovered = true;
    update();
    UIControl::hoverEnterEvent(event);
}

void UIButtonControl::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    Q_D(UIButtonControl);
    d->hovered = false;
    update();
    UIControl::hoverLeaveEvent(event);
}

void UIButtonControl::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    UIControl::keyPressEvent(event);
}

void UIButtonControl::changeEvent(QEvent *event)
{
    Q_D(UIButtonControl);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        d->down = false;
        d->hovered = false;
    }
    UIControl::changeEvent(event);
}

void UIButtonControl::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                            QWidget *widget)
{
    Q_D(UIButtonControl);
    Q_UNUSED(option)
    Q_UNUSED(widget)
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF area = rect();
    const bool enabled = isEnabled();
    if (!enabled)
        painter->setOpacity(0.4);
    QPainterPath face;
    face.addRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);

    const QPixmap picture = UITheme::pixmap(d->imagePath, UITheme::devicePixelRatio(painter));
    const QColor fill = backgroundColor();
    const bool filled = fill.alpha() > 0;
    if (!picture.isNull()) {
        painter->drawPixmap(area, picture, QRectF(QPointF(), picture.size()));
        // State washes over the picture, clipped to its rounded face.
        QColor wash = Qt::transparent;
        if (d->down)
            wash = QColor(0, 0, 0, 40);
        else if (d->hovered && enabled)
            wash = QColor(255, 255, 255, 46);
        if (d->checked)
            wash = d->down ? QColor(0, 0, 0, 40) : QColor(255, 122, 35, 46);
        if (wash.alpha() > 0)
            painter->fillPath(face, wash);
        if (d->checked) {
            painter->setPen(QPen(UITheme::accent(), 1.5));
            painter->setBrush(Qt::NoBrush);
            painter->drawRoundedRect(area.adjusted(0.75, 0.75, -0.75, -0.75), 3, 3);
        }
    } else {
        // A themed face: the palette's button face with a rim, or the given colour for a
        // primary button.
        const QPalette &colours = palette();
        QColor base = filled ? fill : UITheme::color(UITheme::Button, colours);
        QColor rim = filled ? fill.darker(115) : UITheme::border(colours);
        if (d->down) {
            base = filled ? base.darker(110) : UITheme::mix(base, UITheme::accent(), 0.2);
        } else if (d->hovered && enabled) {
            base = filled ? base.lighter(108) : UITheme::mix(base, UITheme::accent(), 0.08);
            rim = filled ? rim : UITheme::hoverBorder(colours);
        }
        if (d->checked) {
            base = filled ? base.darker(112) : UITheme::mix(base, UITheme::accent(), 0.16);
            rim = UITheme::accent();
        }
        painter->setPen(QPen(rim, 1));
        painter->setBrush(base);
        painter->drawPath(face);
    }

    if (!d->text.isEmpty()) {
        QColor ink = d->textColor;
        if (!ink.isValid()) {
            if (!picture.isNull() || filled)
                ink = Qt::white;
            else if ((d->hovered || d->checked) && enabled)
                ink = UITheme::isDark(palette()) ? UITheme::accent() : UITheme::accentDark();
            else
                ink = UITheme::text(palette());
        }
        painter->setPen(ink);
        painter->setFont(d->font);
        const QString shown =
            QFontMetricsF(d->font).elidedText(d->text, Qt::ElideRight, area.width() - 8);
        painter->drawText(area.translated(0, d->down ? 1 : 0), Qt::AlignCenter, shown);
    }
    if (hasFocus()) {
        painter->setPen(QPen(UITheme::accent(), 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(area.adjusted(2.5, 2.5, -2.5, -2.5), 3, 3);
    }
    painter->restore();
}
