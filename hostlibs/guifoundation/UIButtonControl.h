#pragma once

#include "UIControl.h"

class UIButtonControlPrivate;

// A push button: plain (a rounded, themed face with text), an image button (the picture is the
// face; hover, press, check and disabled states are drawn over it), or either kind checkable.
// A click toggles a checkable button before clicked() is emitted.
class GUIFOUNDATION_EXPORT UIButtonControl : public UIControl
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QString imagePath READ imagePath WRITE setImagePath)
    Q_PROPERTY(bool checkable READ isCheckable WRITE setCheckable)
    Q_PROPERTY(bool checked READ checked WRITE setChecked NOTIFY toggled)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    Q_PROPERTY(QFont font READ font WRITE setFont)

public:
    explicit UIButtonControl(QGraphicsItem *parent = nullptr);
    ~UIButtonControl() override;

    QString text() const;
    void setText(const QString &text);
    QString imagePath() const;
    void setImagePath(const QString &path);
    bool isCheckable() const;
    void setCheckable(bool checkable);
    bool checked() const;
    void setChecked(bool checked);
    QColor textColor() const;
    void setTextColor(const QColor &color);
    QFont font() const;
    void setFont(const QFont &font);

    bool isHovered() const;
    bool isDown() const;

    // Presses and releases the button as a click by the user would.
    void click();

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

Q_SIGNALS:
    void pressed();
    void released();
    void clicked();
    void toggled(bool checked);

protected:
    UIButtonControl(UIButtonControlPrivate &dd, QGraphicsItem *parent);

    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void _finishClick();

    Q_DECLARE_PRIVATE(UIButtonControl)
};
