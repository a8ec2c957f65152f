#pragma once

#include "UIBaseWindow.h"

class UIButtonControl;
class UILabelControl;
class UIWindowPrivate;

// A window with a title bar: the title text at the left and a close button at the right. The
// rest of the window is the content control that layouts fill. The close button emits
// sigClose() and then closes the window (so aboutToClose() follows).
class GUIFOUNDATION_EXPORT UIWindow : public UIBaseWindow
{
    Q_OBJECT
    Q_PROPERTY(QString titleText READ titleText WRITE setTitleText)
    Q_PROPERTY(int titleHeight READ titleHeight WRITE setTitleHeight)
    Q_PROPERTY(bool closeButtonVisible READ isCloseButtonVisible WRITE setCloseButtonVisible)

public:
    explicit UIWindow(QWidget *parent = nullptr);
    ~UIWindow() override;

    UIControl *contentControl() const override;
    UIControl *titleBar() const;
    UILabelControl *titleLabel() const;
    UIButtonControl *closeButton() const;

    QString titleText() const;
    void setTitleText(const QString &text);
    // 0 removes the title bar.
    int titleHeight() const;
    void setTitleHeight(int height);
    bool isCloseButtonVisible() const;
    void setCloseButtonVisible(bool visible);

    void setBackgroundColor(const QColor &color) override;

Q_SIGNALS:
    // The user pressed the title bar's close button; the window closes right after.
    void sigClose();

protected:
    UIWindow(UIWindowPrivate &dd, QWidget *parent);

private:
    void _onCloseButtonClicked();

    Q_DECLARE_PRIVATE(UIWindow)
};
