#include "BaseThemeWindow.h"

#include <guifoundation/UIRegistration.h>
#include <guifoundation/UIWindow_p.h>

#include <QResizeEvent>

UI_REGISTER_WINDOW(BaseThemeWindow);

BaseThemeWindow::BaseThemeWindow(QWidget *parent)
    : BaseThemeWindow(*new UIWindowPrivate, parent)
{}

BaseThemeWindow::BaseThemeWindow(UIWindowPrivate &dd, QWidget *parent)
    : UIWindow(dd, parent)
{
    setTitleHeight(40);
}

BaseThemeWindow::~BaseThemeWindow() = default;

void BaseThemeWindow::resizeEvent(QResizeEvent *event)
{
    UIWindow::resizeEvent(event);
    Q_EMIT sigResized(event->size());
}
