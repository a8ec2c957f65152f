#pragma once

// Shared by the controls that wrap a Qt widget: the proxy that shows the widget in the scene
// and follows the control's size. Internal to the library.

#include "UIControl_p.h"

#include <QGraphicsProxyWidget>

#include <functional>

class GUIFOUNDATION_EXPORT UIProxyControlPrivate : public UIControlPrivate
{
public:
    // Embeds widget in a proxy child of control that fills it.
    void embed(UIControl *control, QWidget *widget);
    void fit(const QSizeF &size);
    // First thing in the destructor of a control that forwards its widget's signals: the
    // widget dies after the control's own part (with the proxy, a child), and may still
    // signal then, as a line edit losing its focus finishes its editing.
    void disown(UIControl *control);
    // Gives the widget the style sheet that styleSheet makes of the control's palette, now
    // and whenever the palette changes.
    void setStyleSheet(std::function<QString(const QPalette &)> styleSheet);
    void paletteChanged() override;

    QGraphicsProxyWidget *proxy = nullptr;
    std::function<QString(const QPalette &)> styleSheet;
};
