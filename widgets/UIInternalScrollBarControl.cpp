#include "UIInternalScrollBarControl.h"
#include "UIInternalScrollBarControl_p.h"

#include <guifoundation/UIButtonControl.h>
#include <guifoundation/UITheme.h>

#include <QCursor>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsSceneWheelEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr qreal MinimumHandle = 16;
const QString HandleImage = QStringLiteral(":/theme/gui_scrollbar_slider.png");

// A square end button with a small triangle pointing out of the bar.
class ArrowButton : public UIButtonControl
{
public:
    ArrowButton(bool up, QGraphicsItem *parent)
        : UIButtonControl(parent)
        , m_up(up)
    {
        setCursor(Qt::ArrowCursor);
        setFocusPolicy(Qt::NoFocus);
    }

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const QRectF area = rect();
        const QPointF c = area.center();
        const qreal half = area.width() * 0.27;
        QPainterPath arrow;
        const qreal dir = m_up ? -1 : 1;
        arrow.moveTo(c + QPointF(-half, -dir * half * 0.55));
        arrow.lineTo(c + QPointF(half, -dir * half * 0.55));
        arrow.lineTo(c + QPointF(0, dir * half * 0.65));
        arrow.closeSubpath();
        painter->fillPath(arrow, isDown()      ? UITheme::accent()
                                 : isHovered() ? QColor(200, 200, 200)
                                               : QColor(140, 140, 140));
        painter->restore();
    }

private:
    bool m_up;
};

} // namespace

UIInternalScrollBarControl::UIInternalScrollBarControl(QGraphicsItem *parent)
    : UIInternalScrollBarControl(*new UIInternalScrollBarControlPrivate, parent)
{}

UIInternalScrollBarControl::UIInternalScrollBarControl(UIInternalScrollBarControlPrivate &dd,
                                                       QGraphicsItem *parent)
    : UIControl(dd, parent)
{
    Q_D(UIInternalScrollBarControl);
    setLayout(FreeLayout);
    setObjectName(QStringLiteral("scrollBar"));
    setAcceptedMouseButtons(Qt::LeftButton);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    d->previousButton = new ArrowButton(true, this);
    d->previousButton->setObjectName(QStringLiteral("previousButton"));
    d->nextButton = new ArrowButton(false, this);
    d->nextButton->setObjectName(QStringLiteral("nextButton"));
    connect(d->previousButton, &UIButtonControl::pressed, this,
            &UIInternalScrollBarControl::on_previousButton_pressed);
    connect(d->nextButton, &UIButtonControl::pressed, this,
            &UIInternalScrollBarControl::on_nextButton_pressed);
    connect(d->previousButton, &UIButtonControl::released, this,
            &UIInternalScrollBarControl::on_button_released);
    connect(d->nextButton, &UIButtonControl::released, this,
            &UIInternalScrollBarControl::on_button_released);
    connect(&d->repeatTimer, &QTimer::timeout, this,
            &UIInternalScrollBarControl::on_action_timeout);
    resize(d->buttonSize, 100);
}

UIInternalScrollBarControl::~UIInternalScrollBarControl() = default;

qreal UIInternalScrollBarControl::minimum() const
{
    Q_D(const UIInternalScrollBarControl);
    return d->minimum;
}

qreal UIInternalScrollBarControl::maximum() const
{
    Q_D(const UIInternalScrollBarControl);
    return d->maximum;
}

void UIInternalScrollBarControl::setRange(qreal minimum, qreal maximum)
{
    Q_D(UIInternalScrollBarControl);
    d->minimum = minimum;
    d->maximum = std::max(minimum, maximum);
    setValue(d->value);
    update();
}

qreal UIInternalScrollBarControl::singleStep() const
{
    Q_D(const UIInternalScrollBarControl);
    return d->singleStep;
}

void UIInternalScrollBarControl::setSingleStep(qreal step)
{
    Q_D(UIInternalScrollBarControl);
    d->singleStep = step;
}

qreal UIInternalScrollBarControl::pageStep() const
{
    Q_D(const UIInternalScrollBarControl);
    return d->pageStep;
}

void UIInternalScrollBarControl::setPageStep(qreal step)
{
    Q_D(UIInternalScrollBarControl);
    d->pageStep = step;
    update();
}

qreal UIInternalScrollBarControl::value() const
{
    Q_D(const UIInternalScrollBarControl);
    return d->value;
}

void UIInternalScrollBarControl::setValue(qreal value)
{
    Q_D(UIInternalScrollBarControl);
    const qreal clamped = std::clamp(value, d->minimum, d->maximum);
    if (qFuzzyCompare(clamped + 1, d->value + 1))
        return;
    d->value = clamped;
    update();
    Q_EMIT valueChanged(clamped);
}

int UIInternalScrollBarControl::buttonSize() const
{
    Q_D(const UIInternalScrollBarControl);
    return d->buttonSize;
}

int UIInternalScrollBarControl::currentAction() const
{
    Q_D(const UIInternalScrollBarControl);
    return d->action;
}

qreal UIInternalScrollBarControl::_handleLength() const
{
    Q_D(const UIInternalScrollBarControl);
    const qreal track = std::max<qreal>(0, height() - 2 * d->buttonSize);
    const qreal total = d->maximum - d->minimum + d->pageStep;
    if (total <= 0)
        return track;
    return std::clamp(track * d->pageStep / total, std::min(MinimumHandle, track), track);
}

qreal UIInternalScrollBarControl::_trackLength() const
{
    Q_D(const UIInternalScrollBarControl);
    // How far the handle's top can travel.
    return std::max<qreal>(0, height() - 2 * d->buttonSize - _handleLength());
}

QRectF UIInternalScrollBarControl::handleRect() const
{
    Q_D(const UIInternalScrollBarControl);
    const qreal span = d->maximum - d->minimum;
    const qreal top = span > 0 ? (d->value - d->minimum) / span * _trackLength() : 0;
    return QRectF(0, d->buttonSize + top, width(), _handleLength());
}

void UIInternalScrollBarControl::on_previousButton_pressed()
{
    _startAction(LineUp, 100);
}

void UIInternalScrollBarControl::on_nextButton_pressed()
{
    _startAction(LineDown, 100);
}

void UIInternalScrollBarControl::on_button_released()
{
    Q_D(UIInternalScrollBarControl);
    d->repeatTimer.stop();
    d->action = NoAction;
}

void UIInternalScrollBarControl::on_action_timeout()
{
    Q_D(UIInternalScrollBarControl);
    if (!_step(d->action))
        on_button_released();
}

void UIInternalScrollBarControl::_startAction(int action, int interval)
{
    Q_D(UIInternalScrollBarControl);
    d->action = action;
    if (_step(action))
        d->repeatTimer.start(interval);
    else
        d->action = NoAction;
}

bool UIInternalScrollBarControl::_step(int action)
{
    Q_D(UIInternalScrollBarControl);
    switch (action) {
    case LineUp:
        setValue(d->value - d->singleStep);
        return true;
    case LineDown:
        setValue(d->value + d->singleStep);
        return true;
    case PageUp:
    case PageDown: {
        // Paging stops once the handle has reached the point the user holds.
        const QRectF handle = handleRect();
        if (handle.top() <= d->pressPoint.y() && d->pressPoint.y() <= handle.bottom())
            return false;
        if ((action == PageUp) != (d->pressPoint.y() < handle.top()))
            return false;
        setValue(d->value + (action == PageUp ? -d->pageStep : d->pageStep));
        return true;
    }
    default:
        return false;
    }
}

void UIInternalScrollBarControl::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    Q_D(UIInternalScrollBarControl);
    UIControl::resizeEvent(event);
    const qreal side = d->buttonSize;
    d->previousButton->setGeometry(QRectF(0, 0, side, side));
    d->nextButton->setGeometry(QRectF(0, height() - side, side, side));
}

void UIInternalScrollBarControl::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    Q_D(UIInternalScrollBarControl);
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    const QRectF handle = handleRect();
    if (handle.contains(event->pos())) {
        d->dragging = true;
        d->grabPoint = event->pos() - handle.topLeft();
        return;
    }
    d->pressPoint = event->pos();
    _startAction(event->pos().y() < handle.top() ? PageUp : PageDown, 200);
}

void UIInternalScrollBarControl::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    Q_D(UIInternalScrollBarControl);
    if (!d->dragging)
        return;
    const qreal track = _trackLength();
    const qreal top = std::clamp(event->pos().y() - d->buttonSize - d->grabPoint.y(), 0.0, track);
    if (track > 0)
        setValue(d->minimum + top / track * (d->maximum - d->minimum));
}

void UIInternalScrollBarControl::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    Q_D(UIInternalScrollBarControl);
    Q_UNUSED(event)
    d->dragging = false;
    on_button_released();
}

void UIInternalScrollBarControl::wheelEvent(QGraphicsSceneWheelEvent *event)
{
    Q_D(UIInternalScrollBarControl);
    if (event->delta() >= 120)
        setValue(d->value - d->singleStep);
    else if (event->delta() <= -120)
        setValue(d->value + d->singleStep);
    event->accept();
}

QSizeF UIInternalScrollBarControl::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    Q_D(const UIInternalScrollBarControl);
    if (which == Qt::PreferredSize)
        return QSizeF(d ? d->buttonSize : 11, 100);
    return UIControl::sizeHint(which, constraint);
}

void UIInternalScrollBarControl::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                                       QWidget *widget)
{
    Q_D(UIInternalScrollBarControl);
    UIControl::paint(painter, option, widget);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    // The groove: a slim, quiet channel.
    const QRectF groove(width() / 2 - 1.5, d->buttonSize, 3, height() - 2 * d->buttonSize);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(128, 128, 128, 60));
    painter->drawRoundedRect(groove, 1.5, 1.5);
    const QRectF handle = handleRect();
    const QPixmap picture = UITheme::pixmap(HandleImage, UITheme::devicePixelRatio(painter));
    if (!picture.isNull()) {
        // The picture's rounded ends keep their shape; its middle stretches.
        const qreal ratio = picture.devicePixelRatio();
        const QSizeF logical = picture.deviceIndependentSize();
        const qreal cap = std::min<qreal>(5, handle.height() / 2);
        const qreal w = logical.width();
        painter->drawPixmap(QRectF(handle.left(), handle.top(), handle.width(), cap), picture,
                            QRectF(0, 0, w * ratio, cap * ratio));
        painter->drawPixmap(
            QRectF(handle.left(), handle.top() + cap, handle.width(), handle.height() - 2 * cap),
            picture, QRectF(0, cap * ratio, w * ratio, (logical.height() - 2 * cap) * ratio));
        painter->drawPixmap(QRectF(handle.left(), handle.bottom() - cap, handle.width(), cap),
                            picture,
                            QRectF(0, (logical.height() - cap) * ratio, w * ratio, cap * ratio));
    } else {
        painter->setBrush(QColor(120, 120, 120));
        painter->drawRoundedRect(handle.adjusted(1.5, 0.5, -1.5, -0.5), 4, 4);
    }
    painter->restore();
}
