#pragma once

class UISliderControl;

// The part of an editor window that vouches for the opacity it edits: the window's setup
// hands it the transparency slider, and OK is refused unless the check holds. Not a QObject:
// editor windows add it as a second base after their themed window.
class SettingBaseWindow
{
public:
    SettingBaseWindow() = default;

    // True when the slider was found and the opacity lies in 0..100 percent.
    bool checkAlpha() const;

protected:
    UISliderControl *m_alphaControl = nullptr;
    int m_alpha = 100;
};
