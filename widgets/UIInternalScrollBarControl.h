#pragma once

#include <guifoundation/UIControl.h>

class UIButtonControl;
class UIInternalScrollBarControlPrivate;

// A vertical scroll bar: a previous and a next button at the ends, the groove between them and
// the slider handle. Holding a button steps by the single step and repeats every 100 ms; holding
// the mouse on the groove pages towards the press point every 200 ms until the handle reaches
// it; the handle can be dragged; the wheel steps once per notch.
class UIInternalScrollBarControl : public UIControl
{
    Q_OBJECT

public:
    enum Action { LineUp = 0, LineDown = 1, PageUp = 2, PageDown = 3, NoAction = 4 };

    explicit UIInternalScrollBarControl(QGraphicsItem *parent = nullptr);
    ~UIInternalScrollBarControl() override;

    qreal minimum() const;
    qreal maximum() const;
    void setRange(qreal minimum, qreal maximum);
    qreal singleStep() const;
    void setSingleStep(qreal step);
    qreal pageStep() const;
    void setPageStep(qreal step);
    qreal value() const;
    // Clamped to the range; valueChanged() when it changes.
    void setValue(qreal value);
    int buttonSize() const;
    // The action that repeats while the mouse is held (Action).
    int currentAction() const;

    // The handle in bar coordinates.
    QRectF handleRect() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

Q_SIGNALS:
    void valueChanged(qreal value);

public Q_SLOTS:
    void on_previousButton_pressed();
    void on_nextButton_pressed();
    void on_button_released();
    void on_action_timeout();

protected:
    UIInternalScrollBarControl(UIInternalScrollBarControlPrivate &dd, QGraphicsItem *parent);

    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void wheelEvent(QGraphicsSceneWheelEvent *event) override;
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;

private:
    void _startAction(int action, int interval);
    bool _step(int action);
    qreal _handleLength() const;
    qreal _trackLength() const;

    Q_DECLARE_PRIVATE(UIInternalScrollBarControl)
};
