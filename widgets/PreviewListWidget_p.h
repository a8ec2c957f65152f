#pragma once

#include "PreviewListWidget.h"
#include "UIAbstractItemView_p.h"

#include <guifoundation/UIAbstractViewItem.h>

#include <QTimer>

#include <memory>
#include <vector>

class PreviewListWidgetPrivate : public UIAbstractItemViewPrivate
{
public:
    std::vector<std::unique_ptr<UIAbstractViewItem>> factories;
    PreviewListContainer *container = nullptr;
    bool batch = false;
    QTimer scrollTimer;
};
