#pragma once

#include "UIInternalScrollBarControl.h"

// The scroll bar that list widgets make for themselves; it behaves as its base.
class UIScrollBarControlEx : public UIInternalScrollBarControl
{
    Q_OBJECT

public:
    explicit UIScrollBarControlEx(QGraphicsItem *parent = nullptr);
    ~UIScrollBarControlEx() override;
};
