#pragma once

#include "UIAbstractItemView.h"
#include "UIScrollAreaControl_p.h"

#include <QPointer>
#include <QStandardItemModel>

class UIAbstractItemViewPrivate : public UIScrollAreaControlPrivate
{
public:
    QPointer<QStandardItemModel> model;
};
