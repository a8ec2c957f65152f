#include "UIAbstractViewItem.h"
#include "UIAbstractViewItem_p.h"

UIAbstractViewItem::UIAbstractViewItem(QGraphicsItem *parent)
    : UIAbstractViewItem(*new UIAbstractViewItemPrivate, parent)
{}

UIAbstractViewItem::UIAbstractViewItem(UIAbstractViewItemPrivate &dd, QGraphicsItem *parent)
    : UIControl(dd, parent)
{}

UIAbstractViewItem::~UIAbstractViewItem() = default;

QStandardItem *UIAbstractViewItem::modelItem() const
{
    Q_D(const UIAbstractViewItem);
    return d->modelItem;
}

void UIAbstractViewItem::setModelItem(QStandardItem *item)
{
    Q_D(UIAbstractViewItem);
    d->modelItem = item;
    updateFromModel();
}

bool UIAbstractViewItem::selected() const
{
    Q_D(const UIAbstractViewItem);
    return d->selected;
}

void UIAbstractViewItem::setSelected(bool selected)
{
    Q_D(UIAbstractViewItem);
    if (d->selected == selected)
        return;
    d->selected = selected;
    update();
}

bool UIAbstractViewItem::isHover() const
{
    Q_D(const UIAbstractViewItem);
    return d->hover;
}

void UIAbstractViewItem::setHover(bool hover)
{
    Q_D(UIAbstractViewItem);
    if (d->hover == hover)
        return;
    d->hover = hover;
    update();
}

UIAbstractViewItem *UIAbstractViewItem::createItem(QStandardItem *, QGraphicsItem *) const
{
    return nullptr;
}

void UIAbstractViewItem::updateFromModel()
{
    update();
}

void UIAbstractViewItem::prepareToShow() {}
