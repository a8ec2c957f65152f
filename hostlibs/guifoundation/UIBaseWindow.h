#pragma once

#include "guifoundation_global.h"

#include <QGraphicsView>

#include <memory>

class UIBaseWindowPrivate;
class UIControl;
class XmlUIBuilder;

// A top-level, frameless window that is a graphics view with its own scene and one root
// control filling it. Windows delete themselves when closed unless told otherwise
// (Qt::WA_DeleteOnClose), and emit aboutToClose() before every close. Dragging the window
// where no control takes the mouse moves it.
class GUIFOUNDATION_EXPORT UIBaseWindow : public QGraphicsView
{
    Q_OBJECT
    Q_PROPERTY(bool movable READ isMovable WRITE setMovable)

public:
    explicit UIBaseWindow(QWidget *parent = nullptr);
    ~UIBaseWindow() override;

    // The control that fills the window.
    UIControl *rootControl() const;
    // Where a layout's controls go: the root here, the area under the title bar in UIWindow.
    virtual UIControl *contentControl() const;

    void setFixSize(const QSize &size);
    void setFixSize(int width, int height) { setFixSize(QSize(width, height)); }

    // The window's background, painted by the root control.
    QColor backgroundColor() const;
    virtual void setBackgroundColor(const QColor &color);
    void setBackgroundImage(const QString &path);

    bool isMovable() const;
    void setMovable(bool movable);

    // The control that has the keyboard when the window becomes active and no control has it
    // yet (the text box of an editor, so typing goes there at once). Without one, the window
    // itself takes the keyboard, and its controls get it on click or Tab.
    UIControl *initialFocus() const;
    void setInitialFocus(UIControl *control);

    // Shows the window, raises it and makes it the active window.
    void showActive();
    // Shows the window without waiting for it to close. With modal, input to other windows
    // is blocked while it is open: all of the application's windows with applicationModal (or
    // when the window has no parent), else only its parent window and that window's parents.
    // Without modal the window is shown as a normal window. Calling it again while the window
    // is open with another modality re-shows it with the new one.
    void showModalAsync(bool modal = true, bool applicationModal = true);

    QSize sizeHint() const override;

Q_SIGNALS:
    // Before every close, whoever closes the window; the window is still fully usable.
    void aboutToClose();

protected:
    UIBaseWindow(UIBaseWindowPrivate &dd, QWidget *parent);

    // Runs once, called by XmlUIBuilder after every control of the layout exists and before
    // the builder connects on_<objectName>_<signal> slots. Find controls and connect here.
    virtual void setupUi();

    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;

    const std::unique_ptr<UIBaseWindowPrivate> d_ptr;

private:
    friend class XmlUIBuilder;
    Q_DECLARE_PRIVATE(UIBaseWindow)
    Q_DISABLE_COPY(UIBaseWindow)
};
