// The library's own windows and controls, registered for layout files under their class names.

#include "UIButtonControl.h"
#include "UICheckBoxControl.h"
#include "UILabelControl.h"
#include "UIRegistration.h"
#include "UIWindow.h"

UI_REGISTER_WINDOW(UIBaseWindow);
UI_REGISTER_WINDOW(UIWindow);

UI_REGISTER_CONTROL(UIControl);
UI_REGISTER_CONTROL(UILabelControl);
UI_REGISTER_CONTROL(UIButtonControl);
UI_REGISTER_CONTROL(UICheckBoxControl);
