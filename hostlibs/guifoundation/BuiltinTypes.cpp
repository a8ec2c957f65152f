// The library's own windows and controls, registered for layout files under their class names.

#include "UIAbstractViewItem.h"
#include "UIButtonControl.h"
#include "UICheckBoxControl.h"
#include "UIComboBoxControl.h"
#include "UIFrameControl.h"
#include "UILabelControl.h"
#include "UILineEditControl.h"
#include "UIRegistration.h"
#include "UISliderControl.h"
#include "UITextEditControl.h"
#include "UIWindow.h"

UI_REGISTER_WINDOW(UIBaseWindow);
UI_REGISTER_WINDOW(UIWindow);

UI_REGISTER_CONTROL(UIControl);
UI_REGISTER_CONTROL(UILabelControl);
UI_REGISTER_CONTROL(UIButtonControl);
UI_REGISTER_CONTROL(UICheckBoxControl);
UI_REGISTER_CONTROL(UIComboBoxControl);
UI_REGISTER_CONTROL(UILineEditControl);
UI_REGISTER_CONTROL(UITextEditControl);
UI_REGISTER_CONTROL(UISliderControl);
UI_REGISTER_CONTROL(UIFrameControl);
