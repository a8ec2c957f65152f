#pragma once

// Private data of TipMessageWindow. Not part of the stable interface: subclasses in other
// libraries derive their own private classes from it.

#include "TipMessageWindow.h"

#include <guifoundation/UIWindow_p.h>

class UIButtonControl;
class UILabelControl;

class APPCOMMON_EXPORT TipMessageWindowPrivate : public UIWindowPrivate
{
public:
    TipMessageWindowPrivate();
    ~TipMessageWindowPrivate() override;

    // Children of the window's content control.
    UILabelControl *message = nullptr;
    UILabelControl *detail = nullptr;
    UIButtonControl *okButton = nullptr;
    UIButtonControl *cancelButton = nullptr;
};
