#pragma once

#include "UIControl_p.h"
#include "UILabelControl.h"

#include <QFont>

class GUIFOUNDATION_EXPORT UILabelControlPrivate : public UIControlPrivate
{
public:
    UILabelControlPrivate();

    QString text;
    QColor textColor; // invalid: the role's
    UITheme::Role textRole = UITheme::Text;
    QFont font;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool wordWrap = false;
};
