#pragma once

#include "guifoundation_global.h"

#include <QObject>
#include <QPointer>

class UIControl;

// Tool tips for controls. An attached control shows its text in a tool tip while the mouse
// rests on it: the text given, or, for a label, its own (whole) text.
class GUIFOUNDATION_EXPORT UIToolTip : public QObject
{
    Q_OBJECT

public:
    static UIToolTip *toolTipInstance();

    void attachWidget(UIControl *control, const QString &text = QString());
    void detachWidget(UIControl *control);
    bool isAttached(const UIControl *control) const;

private:
    UIToolTip();
};
