#pragma once

#include "UICheckBoxControl.h"
#include "UIControl_p.h"

class GUIFOUNDATION_EXPORT UICheckBoxControlPrivate : public UIControlPrivate
{
public:
    UICheckBoxControlPrivate();

    QString text;
    QString imagePath;
    QColor textColor; // invalid: the palette's text colour
    bool checked = false;
    bool hovered = false;
};
