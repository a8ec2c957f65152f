#pragma once

#include "UIAbstractItemContainer.h"

#include <guifoundation/UIAbstractViewItem.h>
#include <guifoundation/UIControl_p.h>

#include <QPointer>

class UIAbstractItemContainerPrivate : public UIControlPrivate
{
public:
    QList<QPointer<UIAbstractViewItem>> items;
};
