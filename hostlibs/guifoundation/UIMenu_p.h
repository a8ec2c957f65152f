#pragma once

// Private data of UIMenu. Not part of the stable interface: subclasses in other libraries
// derive their own private classes from it.

#include "UIMenu.h"

class GUIFOUNDATION_EXPORT UIMenuPrivate
{
public:
    UIMenuPrivate();
    virtual ~UIMenuPrivate();

    UIMenu *q_ptr = nullptr;
    bool deleteWhenClosed = false; // popup() has tied the menu's life to its closing

private:
    Q_DECLARE_PUBLIC(UIMenu)
};
