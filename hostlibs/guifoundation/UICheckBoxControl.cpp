#include "UICheckBoxControl.h"
#include "UICheckBoxControl_p.h"

#include "UITheme.h"

#include <QCursor>
#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include <cmath>

namespace {
constexpr qreal TextGap = 6;
constexpr qreal DefaultBox = 16;
} // namespace

UICheckBoxControlPrivate::UICheckBoxControlPrivate() {}

UICheckBoxControl::UICheckBoxControl(QGraphicsItem *parent)
    : UICheckBoxControl(*new UICheckBoxControlPrivate, parent)
{}

UICheckBoxControl::UICheckBoxControl(UICheckBoxControlPrivate &dd, QGraphicsItem *parent)
    : UIControl(dd, parent)
{
    setLayout(FreeLayout);
    setAcceptHoverEvents(true);
    setAcceptedMouseButtons(Qt::LeftButton);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

UICheckBoxControl::~UICheckBoxControl() = default;

bool UICheckBoxControl::checkState() const
{
    Q_D(const UICheckBoxControl);
    return d->checked;
}

void UICheckBoxControl::setCheckState(bool checked)
{
    Q_D(UICheckBoxControl);
    if (d->checked == checked)
        return;
    d->checked = checked;
    update();
    Q_EMIT stateChanged(checked);
}

QString UICheckBoxControl::text() const
{
    Q_D(const UICheckBoxControl);
    return d->text;
}

void UICheckBoxControl::setText(const QString &text)
{
    Q_D(UICheckBoxControl);
    d->text = text;
    updateGeometry();
    update();
}

QString UICheckBoxControl::imagePath() const
{
    Q_D(const UICheckBoxControl);
    return d->imagePath;
}

void UICheckBoxControl::setImagePath(const QString &path)
{
    Q_D(UICheckBoxControl);
    d->imagePath = path;
    update();
}

QColor UICheckBoxControl::textColor() const
{
    Q_D(const UICheckBoxControl);
    return d->textColor.isValid() ? d->textColor : UITheme::text(palette());
}

void UICheckBoxControl::setTextColor(const QColor &color)
{
    Q_D(UICheckBoxControl);
    d->textColor = color;
    update();
}

QSizeF UICheckBoxControl::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    Q_D(const UICheckBoxControl);
    if (which != Qt::PreferredSize)
        return UIControl::sizeHint(which, constraint);
    if (d->text.isEmpty())
        return QSizeF(DefaultBox, DefaultBox);
    const QFontMetricsF metrics(UITheme::font());
    return QSizeF(DefaultBox + TextGap + std::ceil(metrics.horizontalAdvance(d->text)),
                  std::max(DefaultBox, std::ceil(metrics.height())));
}

void UICheckBoxControl::_toggleByUser()
{
    const QPointer<UICheckBoxControl> alive(this);
    setCheckState(!checkState());
    if (alive)
        Q_EMIT clicked();
}

void UICheckBoxControl::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    event->setAccepted(event->button() == Qt::LeftButton);
}

void UICheckBoxControl::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->pos()))
        _toggleByUser();
}

void UICheckBoxControl::hoverEnterEvent(QGraphicsSceneHoverEvent *event)
{
    Q_D(UICheckBoxControl);
    d->hovered = true;
    update();
    UIControl::hoverEnterEvent(event);
}

void UICheckBoxControl::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    Q_D(UICheckBoxControl);
    d->hovered = false;
    update();
    UIControl::hoverLeaveEvent(event);
}

void UICheckBoxControl::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space) {
        _toggleByUser();
        return;
    }
    UIControl::keyPressEvent(event);
}

void UICheckBoxControl::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                              QWidget *widget)
{
    Q_D(UICheckBoxControl);
    UIControl::paint(painter, option, widget);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    if (!isEnabled())
        painter->setOpacity(0.45);
    const QRectF area = rect();
    // Without text the box fills the control; with text it sits at the left, centred.
    const qreal side = d->text.isEmpty() ? std::min(area.width(), area.height())
                                         : std::min(DefaultBox, area.height());
    const QRectF box(area.left(), area.center().y() - side / 2, side, side);

    const QPixmap picture = UITheme::pixmap(d->imagePath, UITheme::devicePixelRatio(painter));
    if (d->checked && !picture.isNull()) {
        painter->drawPixmap(box, picture, QRectF(QPointF(), picture.size()));
    } else if (d->checked) {
        painter->setPen(QPen(UITheme::accentDark(), 1));
        painter->setBrush(UITheme::accent());
        painter->drawRoundedRect(box.adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
        QPainterPath tick;
        tick.moveTo(box.left() + side * 0.28, box.top() + side * 0.53);
        tick.lineTo(box.left() + side * 0.45, box.top() + side * 0.69);
        tick.lineTo(box.left() + side * 0.75, box.top() + side * 0.31);
        painter->setPen(QPen(Qt::white, std::max<qreal>(1.6, side / 8), Qt::SolidLine, Qt::RoundCap,
                             Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(tick);
    } else {
        // A neutral rim that reads on light and dark rows alike.
        painter->setPen(QPen(d->hovered ? UITheme::accent() : UITheme::mutedText(palette()), 1));
        painter->setBrush(QColor(255, 255, 255, 24));
        painter->drawRoundedRect(box.adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
    }
    if (!d->text.isEmpty()) {
        painter->setPen(textColor());
        painter->setFont(UITheme::font());
        painter->drawText(area.adjusted(side + TextGap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          d->text);
    }
    painter->restore();
}
