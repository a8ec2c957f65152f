#pragma once

// Private data of UIControl. Not part of the stable interface: subclasses in other libraries
// derive their own private classes from it, as Qt's private headers are used.

#include "UIControl.h"

#include <QColor>
#include <QString>

class UIBoxLayout;

class GUIFOUNDATION_EXPORT UIControlPrivate
{
public:
    UIControlPrivate();
    virtual ~UIControlPrivate();

    // The layout, made when the control first gets children or layout settings: most controls
    // (labels, buttons, list rows) never need one, and lists make thousands of them.
    UIBoxLayout *ensureLayout();
    // The control's palette changed (its window's theme): controls that keep colours outside
    // paint(), such as a style sheet, take the new ones here.
    virtual void paletteChanged() {}

    UIControl *q_ptr = nullptr;
    UIBoxLayout *layout = nullptr; // owned by the widget through QGraphicsWidget::setLayout
    int layoutType = UIControl::VerticalLayout;
    QColor backgroundColor = Qt::transparent;
    UITheme::Role backgroundRole = UITheme::NoRole;
    QString backgroundImage;
    int dragFlag = UIControl::NoDrag;

private:
    Q_DECLARE_PUBLIC(UIControl)
};
