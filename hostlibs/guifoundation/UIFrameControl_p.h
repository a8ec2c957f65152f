#pragma once

#include "UIControl_p.h"
#include "UIFrameControl.h"

class GUIFOUNDATION_EXPORT UIFrameControlPrivate : public UIControlPrivate
{
public:
    enum State { Normal, Hovered, Pressed, Disabled, Checked, StateCount };

    QString images[StateCount];
    QMarginsF frameMargins;
    bool hovered = false;
    bool pressed = false;
    bool checked = false;
    bool tracking = false;
};
