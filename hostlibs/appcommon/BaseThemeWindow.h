#pragma once

#include "appcommon_global.h"

#include <guifoundation/UIWindow.h>

class UIWindowPrivate;

// The product's themed top-level window: a light window with a title bar and a close button,
// the base of the editor windows. Layout files name it (or a class derived from it) as their
// root element.
class APPCOMMON_EXPORT BaseThemeWindow : public UIWindow
{
    Q_OBJECT

public:
    explicit BaseThemeWindow(QWidget *parent = nullptr);
    ~BaseThemeWindow() override;

Q_SIGNALS:
    // The window took a new size (a layout's fixed size, or the user's).
    void sigResized(const QSize &size);

protected:
    BaseThemeWindow(UIWindowPrivate &dd, QWidget *parent);

    void resizeEvent(QResizeEvent *event) override;
};
