#pragma once

#include "UIAbstractViewItem.h"
#include "UIControl_p.h"

class GUIFOUNDATION_EXPORT UIAbstractViewItemPrivate : public UIControlPrivate
{
public:
    QStandardItem *modelItem = nullptr; // owned by the view's model
    bool selected = false;
    bool hover = false;
};
