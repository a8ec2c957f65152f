#pragma once

#include "UIAbstractItemContainer.h"

#include <guifoundation/UIAbstractViewItem.h>
#include <guifoundation/UIControl_p.h>

#include <QPointer>

class QGraphicsObject;

class UIAbstractItemContainerPrivate : public UIControlPrivate
{
public:
    QList<QPointer<UIAbstractViewItem>> items;
    // The items' parent item, at the container's origin: a plain graphics object, so a new item
    // is not threaded through the keyboard focus chain of every item before it, which made
    // filling a list quadratic in its length.
    QGraphicsObject *itemLayer = nullptr;
};
