#include "UIScrollWidgetContainer.h"

#include <QEvent>

UIScrollWidgetContainer::UIScrollWidgetContainer(QGraphicsItem *parent)
    : UIControl(parent)
{
    setObjectName(QStringLiteral("contentWidget"));
}

UIScrollWidgetContainer::~UIScrollWidgetContainer() = default;

bool UIScrollWidgetContainer::event(QEvent *event)
{
    const bool handled = UIControl::event(event);
    if (event->type() == QEvent::LayoutRequest) {
        const QSizeF preferred = effectiveSizeHint(Qt::PreferredSize, QSizeF(width(), -1));
        resize(width(), preferred.height());
    }
    return handled;
}
