#pragma once

#include "UIInternalScrollBarControl.h"

#include <guifoundation/UIControl_p.h>

#include <QPointF>
#include <QTimer>

class UIInternalScrollBarControlPrivate : public UIControlPrivate
{
public:
    qreal minimum = 0;
    qreal maximum = 0;
    qreal singleStep = 1;
    qreal pageStep = 0;
    qreal value = 0;
    int buttonSize = 11;
    bool dragging = false;
    QPointF grabPoint;  // where the handle was taken, in handle coordinates
    QPointF pressPoint; // where the groove was pressed, in bar coordinates
    int action = UIInternalScrollBarControl::NoAction;
    QTimer repeatTimer;
    UIButtonControl *previousButton = nullptr;
    UIButtonControl *nextButton = nullptr;
};
