#pragma once

#include "UIControl.h"

class UICheckBoxControlPrivate;

// A check box with an optional text to its right. The box shows imagePath when checked (a
// themed tick when there is no picture) and an empty themed box when not.
class GUIFOUNDATION_EXPORT UICheckBoxControl : public UIControl
{
    Q_OBJECT
    Q_PROPERTY(bool checked READ checkState WRITE setCheckState NOTIFY stateChanged)
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QString imagePath READ imagePath WRITE setImagePath)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)

public:
    explicit UICheckBoxControl(QGraphicsItem *parent = nullptr);
    ~UICheckBoxControl() override;

    bool checkState() const;
    // Emits stateChanged when the state changes.
    void setCheckState(bool checked);
    QString text() const;
    void setText(const QString &text);
    QString imagePath() const;
    void setImagePath(const QString &path);
    QColor textColor() const;
    void setTextColor(const QColor &color);

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

Q_SIGNALS:
    // Also emitted when the user toggles the box; clicked() follows it then.
    void stateChanged(bool checked);
    void clicked();

protected:
    UICheckBoxControl(UICheckBoxControlPrivate &dd, QGraphicsItem *parent);

    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void _toggleByUser();

    Q_DECLARE_PRIVATE(UICheckBoxControl)
};
