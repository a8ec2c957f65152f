#include "UIProxyControl_p.h"

#include <QWidget>

void UIProxyControlPrivate::embed(UIControl *control, QWidget *widget)
{
    proxy = new QGraphicsProxyWidget(control);
    // Painted by the control's own background; the widget draws only its face. (A scroll
    // area draws its frame with its background, so it keeps its own.)
    if (!widget->inherits("QAbstractScrollArea"))
        widget->setAttribute(Qt::WA_TranslucentBackground);
    proxy->setWidget(widget);
    control->setFocusProxy(proxy);
    control->setFocusPolicy(Qt::StrongFocus);
    fit(control->size());
}

void UIProxyControlPrivate::fit(const QSizeF &size)
{
    if (!proxy)
        return;
    // The proxy would clamp to the widget's own minimum; the control's size wins.
    proxy->setMinimumSize(0, 0);
    proxy->setGeometry(QRectF(QPointF(), size));
}
