#pragma once

#include "UIControl.h"

class QSlider;
class UISliderControlPrivate;

// A slider (a QSlider, so keys, wheel and dragging behave as everywhere), 0 to 100 by default,
// drawn as a thin track filled with the accent colour up to a round handle.
class GUIFOUNDATION_EXPORT UISliderControl : public UIControl
{
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(Qt::Orientation orientation READ orientation WRITE setOrientation)
    Q_PROPERTY(QSizeF handleSize READ handleSize WRITE setHandleSize)

public:
    explicit UISliderControl(QGraphicsItem *parent = nullptr);
    ~UISliderControl() override;

    int value() const;
    void setValue(int value);
    int minimum() const;
    void setMinimum(int minimum);
    int maximum() const;
    void setMaximum(int maximum);
    void setRange(int minimum, int maximum);
    Qt::Orientation orientation() const;
    void setOrientation(Qt::Orientation orientation);
    QSizeF handleSize() const;
    void setHandleSize(const QSizeF &size);

    QSlider *slider() const;

Q_SIGNALS:
    void valueChanged(int value);
    void sliderPressed();
    void sliderReleased();

protected:
    UISliderControl(UISliderControlPrivate &dd, QGraphicsItem *parent);
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;

private:
    Q_DECLARE_PRIVATE(UISliderControl)
};
