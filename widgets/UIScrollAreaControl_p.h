#pragma once

#include "UIScrollAreaControl.h"

#include <guifoundation/UIControl_p.h>

#include <QPointer>

class UIScrollAreaControlPrivate : public UIControlPrivate
{
public:
    QPointer<UIControl> content;
    QPointer<UIInternalScrollBarControl> scrollBar;
};
