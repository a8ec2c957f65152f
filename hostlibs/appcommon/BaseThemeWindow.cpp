#include "BaseThemeWindow.h"

#include <guifoundation/UIRegistration.h>

#include <QResizeEvent>

UI_REGISTER_WINDOW(BaseThemeWindow);

BaseThemeWindow::BaseThemeWindow(QWidget *parent)
    : UIWindow(parent)
{
    setTitleHeight(40);
}

BaseThemeWindow::~BaseThemeWindow() = default;

void BaseThemeWindow::resizeEvent(QResizeEvent *event)
{
    UIWindow::resizeEvent(event);
    Q_EMIT sigResized(event->size());
}
