#pragma once

// Shared by the controls that wrap a Qt widget: the proxy that shows the widget in the scene
// and follows the control's size. Internal to the library.

#include "UIControl_p.h"

#include <QGraphicsProxyWidget>

class GUIFOUNDATION_EXPORT UIProxyControlPrivate : public UIControlPrivate
{
public:
    // Embeds widget in a proxy child of control that fills it.
    void embed(UIControl *control, QWidget *widget);
    void fit(const QSizeF &size);

    QGraphicsProxyWidget *proxy = nullptr;
};
