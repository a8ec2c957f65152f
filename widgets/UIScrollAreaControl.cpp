#include "UIScrollAreaControl.h"
#include "UIScrollAreaControl_p.h"

#include "UIInternalScrollBarControl.h"
#include "UIScrollWidgetContainer.h"

#include <QGraphicsSceneWheelEvent>

namespace {
// The content gives up this much width to a visible bar.
constexpr qreal BarAllowance = 10;
} // namespace

UIScrollAreaControl::UIScrollAreaControl(QGraphicsItem *parent)
    : UIScrollAreaControl(*new UIScrollAreaControlPrivate, parent)
{}

UIScrollAreaControl::UIScrollAreaControl(UIScrollAreaControlPrivate &dd, QGraphicsItem *parent)
    : UIControl(dd, parent)
{
    setLayout(FreeLayout);
    setFlag(ItemClipsChildrenToShape);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setContentWidget(new UIScrollWidgetContainer(this));
}

UIScrollAreaControl::~UIScrollAreaControl() = default;

UIControl *UIScrollAreaControl::contentWidget() const
{
    Q_D(const UIScrollAreaControl);
    return d->content;
}

void UIScrollAreaControl::setContentWidget(UIControl *content)
{
    Q_D(UIScrollAreaControl);
    if (!content || content == d->content)
        return;
    delete d->content;
    d->content = content;
    content->setParentItem(this);
    content->setZValue(0);
    content->setPos(0, d->scrollBar ? -d->scrollBar->value() : 0);
    connect(content, &QGraphicsWidget::geometryChanged, this,
            &UIScrollAreaControl::on_contentWidget_geometryChanged);
    _fitContentWidth();
    on_contentWidget_geometryChanged();
}

UIInternalScrollBarControl *UIScrollAreaControl::scrollBar() const
{
    Q_D(const UIScrollAreaControl);
    return d->scrollBar;
}

void UIScrollAreaControl::setScrollBar(UIInternalScrollBarControl *bar)
{
    Q_D(UIScrollAreaControl);
    if (!bar || bar == d->scrollBar)
        return;
    delete d->scrollBar;
    d->scrollBar = bar;
    bar->setParentItem(this);
    bar->setZValue(1);
    bar->setVisible(false);
    connect(bar, &UIInternalScrollBarControl::valueChanged, this,
            &UIScrollAreaControl::on_scrollBar_valueChanged);
    connect(bar, &QGraphicsObject::visibleChanged, this,
            &UIScrollAreaControl::on_scrollBar_visibleChanged);
    _placeScrollBar();
    on_contentWidget_geometryChanged();
}

qreal UIScrollAreaControl::scrollValue() const
{
    Q_D(const UIScrollAreaControl);
    return d->scrollBar ? d->scrollBar->value() : (d->content ? -d->content->y() : 0);
}

void UIScrollAreaControl::scrollTo(qreal value)
{
    Q_D(UIScrollAreaControl);
    if (d->scrollBar)
        d->scrollBar->setValue(value);
}

void UIScrollAreaControl::on_scrollBar_valueChanged(qreal value)
{
    Q_D(UIScrollAreaControl);
    if (d->content)
        d->content->setY(-value);
    Q_EMIT scrollPosChanged(int(value));
}

void UIScrollAreaControl::on_contentWidget_geometryChanged()
{
    Q_D(UIScrollAreaControl);
    if (!d->content || !d->scrollBar)
        return;
    UIInternalScrollBarControl *bar = d->scrollBar;
    const qreal maximum = std::max<qreal>(0, d->content->height() - height());
    bar->setRange(0, maximum);
    bar->setPageStep(height());
    // The bar shows only while the content does not fit.
    bar->setVisible(maximum > 1);
}

void UIScrollAreaControl::on_scrollBar_visibleChanged()
{
    Q_D(UIScrollAreaControl);
    _fitContentWidth();
    Q_EMIT scrollBarVisible(d->scrollBar && d->scrollBar->isVisible());
}

void UIScrollAreaControl::_fitContentWidth()
{
    Q_D(UIScrollAreaControl);
    if (!d->content)
        return;
    const bool barShown = d->scrollBar && d->scrollBar->isVisible();
    d->content->resize(std::max<qreal>(0, width() - (barShown ? BarAllowance : 0)),
                       d->content->height());
}

void UIScrollAreaControl::_placeScrollBar()
{
    Q_D(UIScrollAreaControl);
    if (!d->scrollBar)
        return;
    const qreal barWidth = d->scrollBar->buttonSize();
    d->scrollBar->setGeometry(QRectF(width() - barWidth, 0, barWidth, height()));
}

void UIScrollAreaControl::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    UIControl::resizeEvent(event);
    _placeScrollBar();
    _fitContentWidth();
    on_contentWidget_geometryChanged();
}

void UIScrollAreaControl::wheelEvent(QGraphicsSceneWheelEvent *event)
{
    Q_D(UIScrollAreaControl);
    if (!d->content || d->content->height() <= height()) {
        event->ignore();
        return;
    }
    const qreal step = d->scrollBar ? d->scrollBar->singleStep() : 1;
    const qreal y = d->content->y() + (event->delta() > 0 ? step : -step);
    const qreal clamped = std::clamp(y, height() - d->content->height(), 0.0);
    if (qFuzzyCompare(clamped + 1, d->content->y() + 1)) {
        event->ignore();
        return;
    }
    d->content->setY(clamped);
    if (d->scrollBar)
        d->scrollBar->setValue(-clamped);
    event->accept();
}
