#pragma once

#include "TypeElement.h"
#include "UIBaseWindow.h"
#include "UIControl.h"

// Registers a window class for layout files under its class name. The class has a constructor
// taking a QWidget parent (the builder passes the parent given to createFromFile). Use once, at
// namespace scope in the class's source file:
//
//     UI_REGISTER_WINDOW(CameraSettingWindow)
#define UI_REGISTER_WINDOW(Class)                                                                  \
    static const TypeElement<UIBaseWindow, QWidget> s_uiRegisteredWindow_##Class(                  \
        #Class, [](QWidget *parent) -> UIBaseWindow * { return new Class(parent); },               \
        UITypeRegistry::Window)

// Registers a control class under its class name; its constructor takes the parent control
// (a QGraphicsItem* parameter accepts it).
#define UI_REGISTER_CONTROL(Class)                                                                 \
    static const TypeElement<UIControl, UIControl> s_uiRegisteredControl_##Class(                  \
        #Class, [](UIControl *parent) -> UIControl * { return new Class(parent); },                \
        UITypeRegistry::Control)
