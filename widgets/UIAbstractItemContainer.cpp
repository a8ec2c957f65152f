#include "UIAbstractItemContainer.h"
#include "UIAbstractItemContainer_p.h"

#include <QGraphicsObject>

UIAbstractItemContainer::UIAbstractItemContainer(QGraphicsItem *parent)
    : UIAbstractItemContainer(*new UIAbstractItemContainerPrivate, parent)
{}

namespace {

class ItemLayer : public QGraphicsObject
{
public:
    explicit ItemLayer(QGraphicsItem *parent)
        : QGraphicsObject(parent)
    {
        setFlag(ItemHasNoContents);
    }
    QRectF boundingRect() const override { return QRectF(); }
    void paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) override {}
};

} // namespace

UIAbstractItemContainer::UIAbstractItemContainer(UIAbstractItemContainerPrivate &dd,
                                                 QGraphicsItem *parent)
    : UIControl(dd, parent)
{
    Q_D(UIAbstractItemContainer);
    setLayout(FreeLayout);
    setFocusPolicy(Qt::ClickFocus);
    d->itemLayer = new ItemLayer(this);
}

QGraphicsItem *UIAbstractItemContainer::itemParent() const
{
    Q_D(const UIAbstractItemContainer);
    return d->itemLayer;
}

UIAbstractItemContainer::~UIAbstractItemContainer() = default;

int UIAbstractItemContainer::count() const
{
    Q_D(const UIAbstractItemContainer);
    return int(d->items.size());
}

UIAbstractViewItem *UIAbstractItemContainer::item(int index) const
{
    Q_D(const UIAbstractItemContainer);
    return index >= 0 && index < d->items.size() ? d->items.at(index).data() : nullptr;
}

int UIAbstractItemContainer::indexOf(const UIAbstractViewItem *item) const
{
    Q_D(const UIAbstractItemContainer);
    for (int i = 0; i < d->items.size(); ++i) {
        if (d->items.at(i) == item)
            return i;
    }
    return -1;
}

void UIAbstractItemContainer::insertItems(int index, const QList<UIAbstractViewItem *> &items)
{
    Q_D(UIAbstractItemContainer);
    if (index < 0 || index > d->items.size())
        index = int(d->items.size());
    for (UIAbstractViewItem *item : items) {
        if (!item)
            continue;
        item->setParentItem(d->itemLayer);
        d->items.insert(index++, item);
    }
}

void UIAbstractItemContainer::removeItems(int first, int last)
{
    Q_D(UIAbstractItemContainer);
    first = std::max(0, first);
    last = std::min(int(d->items.size()) - 1, last);
    for (int i = last; i >= first; --i) {
        const QPointer<UIAbstractViewItem> item = d->items.takeAt(i);
        if (item) {
            item->hide();
            item->deleteLater();
        }
    }
}

void UIAbstractItemContainer::clearItems()
{
    removeItems(0, count() - 1);
}
