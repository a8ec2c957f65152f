#pragma once

#include "UIBaseWindow.h"

#include <QPoint>
#include <QPointer>

class QGraphicsScene;

class GUIFOUNDATION_EXPORT UIBaseWindowPrivate
{
public:
    UIBaseWindowPrivate();
    virtual ~UIBaseWindowPrivate();

    UIBaseWindow *q_ptr = nullptr;
    QGraphicsScene *scene = nullptr; // child object of the window
    UIControl *root = nullptr;       // item of the scene, child object of the window
    QPointer<UIControl> initialFocus;
    QColor borderColor = QColor(0, 0, 0, 46);
    QPoint dragOffset;
    bool dragging = false;
    bool movable = true;
    bool closing = false;
    bool setupDone = false;

    // On activation: the window holds the keyboard, and the initial control unless another
    // control has it already.
    void takeFocus();
    // Hands the window's palette to the scene, whose controls paint with it.
    void syncScenePalette();

private:
    Q_DECLARE_PUBLIC(UIBaseWindow)
};
