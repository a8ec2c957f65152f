#pragma once

#include <guifoundation/UIAbstractViewItem.h>

// An item that can ask to be selected itself (for example from a button of its own); in display
// mode 1 a list shows only items of this kind.
class PreviewListItem : public UIAbstractViewItem
{
    Q_OBJECT

public:
    explicit PreviewListItem(QGraphicsItem *parent = nullptr);
    ~PreviewListItem() override;

Q_SIGNALS:
    void itemSelected();
};
