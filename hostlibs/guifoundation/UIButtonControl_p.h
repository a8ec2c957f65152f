#pragma once

#include "UIButtonControl.h"
#include "UIControl_p.h"

#include <QFont>

class GUIFOUNDATION_EXPORT UIButtonControlPrivate : public UIControlPrivate
{
public:
    UIButtonControlPrivate();

    QString text;
    QString imagePath;
    QColor textColor;
    QFont font;
    bool checkable = false;
    bool checked = false;
    bool hovered = false;
    bool down = false;
};
