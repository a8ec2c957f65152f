#pragma once

#include "UIBaseWindow_p.h"
#include "UIWindow.h"

class GUIFOUNDATION_EXPORT UIWindowPrivate : public UIBaseWindowPrivate
{
public:
    UIControl *titleBar = nullptr;
    UILabelControl *titleLabel = nullptr;
    UIButtonControl *closeButton = nullptr;
    UIControl *content = nullptr;
    int titleHeight = 36;
};
