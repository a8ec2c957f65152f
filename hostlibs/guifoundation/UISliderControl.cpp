#include "UISliderControl.h"

#include "UIProxyControl_p.h"
#include "UITheme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

namespace {

class SliderWidget : public QSlider
{
public:
    QSizeF handle = QSizeF(16, 16);

    SliderWidget()
        : QSlider(Qt::Horizontal)
    {
        setRange(0, 100);
        setFocusPolicy(Qt::StrongFocus);
    }

    // Where the handle's centre sits for the current value.
    qreal handleCentre() const
    {
        const bool horizontal = orientation() == Qt::Horizontal;
        const qreal extent = horizontal ? handle.width() : handle.height();
        const qreal length = (horizontal ? width() : height()) - extent;
        const qreal span = std::max(1, maximum() - minimum());
        qreal fraction = (value() - minimum()) / span;
        if (!horizontal)
            fraction = 1 - fraction;
        return extent / 2 + fraction * length;
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        // A click on the track jumps there, as users expect of a value slider.
        if (event->button() == Qt::LeftButton) {
            const bool horizontal = orientation() == Qt::Horizontal;
            const qreal extent = horizontal ? handle.width() : handle.height();
            const qreal length = std::max<qreal>(1, (horizontal ? width() : height()) - extent);
            const qreal at =
                (horizontal ? event->position().x() : event->position().y()) - extent / 2;
            qreal fraction = std::clamp(at / length, 0.0, 1.0);
            if (!horizontal)
                fraction = 1 - fraction;
            if (std::abs((horizontal ? event->position().x() : event->position().y()) -
                         handleCentre()) > extent / 2)
                setValue(minimum() + qRound(fraction * (maximum() - minimum())));
            setSliderDown(true);
            m_grabbing = true;
            event->accept();
            return;
        }
        QSlider::mousePressEvent(event);
    }

    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (!m_grabbing) {
            QSlider::mouseMoveEvent(event);
            return;
        }
        const bool horizontal = orientation() == Qt::Horizontal;
        const qreal extent = horizontal ? handle.width() : handle.height();
        const qreal length = std::max<qreal>(1, (horizontal ? width() : height()) - extent);
        const qreal at = (horizontal ? event->position().x() : event->position().y()) - extent / 2;
        qreal fraction = std::clamp(at / length, 0.0, 1.0);
        if (!horizontal)
            fraction = 1 - fraction;
        setValue(minimum() + qRound(fraction * (maximum() - minimum())));
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (m_grabbing) {
            m_grabbing = false;
            setSliderDown(false);
            return;
        }
        QSlider::mouseReleaseEvent(event);
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool horizontal = orientation() == Qt::Horizontal;
        const qreal centre = handleCentre();
        const qreal thickness = 4;
        QRectF track = horizontal ? QRectF(handle.width() / 2, (height() - thickness) / 2,
                                           width() - handle.width(), thickness)
                                  : QRectF((width() - thickness) / 2, handle.height() / 2,
                                           thickness, height() - handle.height());
        const QPalette &colours = palette();
        painter.setPen(Qt::NoPen);
        painter.setBrush(UITheme::border(colours));
        painter.drawRoundedRect(track, 2, 2);
        QRectF filled = track;
        if (horizontal)
            filled.setRight(centre);
        else
            filled.setTop(centre);
        painter.setBrush(isEnabled() ? UITheme::accent() : UITheme::disabledText(colours));
        painter.drawRoundedRect(filled, 2, 2);

        const QPointF c =
            horizontal ? QPointF(centre, height() / 2.0) : QPointF(width() / 2.0, centre);
        const qreal rx = handle.width() / 2 - 1;
        const qreal ry = handle.height() / 2 - 1;
        painter.setBrush(UITheme::fieldBackground(colours));
        painter.setPen(QPen(isSliderDown() || hasFocus() ? UITheme::accent()
                            : underMouse()               ? UITheme::hoverBorder(colours)
                                                         : UITheme::mutedText(colours),
                            1.5));
        painter.drawEllipse(c, rx, ry);
        if (isEnabled()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(UITheme::accent());
            painter.drawEllipse(c, rx * 0.35, ry * 0.35);
        }
    }

    void enterEvent(QEnterEvent *event) override
    {
        update();
        QSlider::enterEvent(event);
    }

    void leaveEvent(QEvent *event) override
    {
        update();
        QSlider::leaveEvent(event);
    }

private:
    bool m_grabbing = false;
};

} // namespace

class UISliderControlPrivate : public UIProxyControlPrivate
{
public:
    SliderWidget *slider = nullptr;
};

UISliderControl::UISliderControl(QGraphicsItem *parent)
    : UISliderControl(*new UISliderControlPrivate, parent)
{}

UISliderControl::UISliderControl(UISliderControlPrivate &dd, QGraphicsItem *parent)
    : UIControl(dd, parent)
{
    Q_D(UISliderControl);
    setLayout(FreeLayout);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    d->slider = new SliderWidget;
    d->embed(this, d->slider);
    connect(d->slider, &QSlider::valueChanged, this, &UISliderControl::valueChanged);
    connect(d->slider, &QSlider::sliderPressed, this, &UISliderControl::sliderPressed);
    connect(d->slider, &QSlider::sliderReleased, this, &UISliderControl::sliderReleased);
}

UISliderControl::~UISliderControl()
{
    Q_D(UISliderControl);
    d->disown(this);
}

int UISliderControl::value() const
{
    Q_D(const UISliderControl);
    return d->slider->value();
}

void UISliderControl::setValue(int value)
{
    Q_D(UISliderControl);
    d->slider->setValue(value);
}

int UISliderControl::minimum() const
{
    Q_D(const UISliderControl);
    return d->slider->minimum();
}

void UISliderControl::setMinimum(int minimum)
{
    Q_D(UISliderControl);
    d->slider->setMinimum(minimum);
}

int UISliderControl::maximum() const
{
    Q_D(const UISliderControl);
    return d->slider->maximum();
}

void UISliderControl::setMaximum(int maximum)
{
    Q_D(UISliderControl);
    d->slider->setMaximum(maximum);
}

void UISliderControl::setRange(int minimum, int maximum)
{
    Q_D(UISliderControl);
    d->slider->setRange(minimum, maximum);
}

Qt::Orientation UISliderControl::orientation() const
{
    Q_D(const UISliderControl);
    return d->slider->orientation();
}

void UISliderControl::setOrientation(Qt::Orientation orientation)
{
    Q_D(UISliderControl);
    d->slider->setOrientation(orientation);
}

QSizeF UISliderControl::handleSize() const
{
    Q_D(const UISliderControl);
    return d->slider->handle;
}

void UISliderControl::setHandleSize(const QSizeF &size)
{
    Q_D(UISliderControl);
    d->slider->handle = size.expandedTo(QSizeF(6, 6));
    d->slider->update();
}

QSlider *UISliderControl::slider() const
{
    Q_D(const UISliderControl);
    return d->slider;
}

void UISliderControl::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    Q_D(UISliderControl);
    UIControl::resizeEvent(event);
    d->fit(size());
}

QSizeF UISliderControl::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    Q_D(const UISliderControl);
    if (which == Qt::PreferredSize)
        return QSizeF(150, (d->slider ? d->slider->handle.height() : 16) + 2);
    return UIControl::sizeHint(which, constraint);
}
