#include "SettingBaseWindow.h"

bool SettingBaseWindow::checkAlpha() const
{
    return m_alphaControl && m_alpha >= 0 && m_alpha <= 100;
}
