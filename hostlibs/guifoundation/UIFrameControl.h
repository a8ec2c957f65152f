#pragma once

#include "UIControl.h"

class UIFrameControlPrivate;

// A framed picture: one of five pictures (normal, hovered, pressed, disabled, checked) for
// the frame's state, stretched over the control. With frame margins the picture's border is
// kept at its size and only its middle is stretched, so a small picture frames any size.
class GUIFOUNDATION_EXPORT UIFrameControl : public UIControl
{
    Q_OBJECT
    // "normal|hovered|pressed|disabled|checked"; missing ones fall back to normal.
    Q_PROPERTY(QString image READ imagePaths WRITE setImagePaths)
    Q_PROPERTY(QMarginsF frameMargins READ frameMargins WRITE setFrameMargins)
    Q_PROPERTY(bool hoverTracking READ hoverTracking WRITE setHoverTracking)

public:
    explicit UIFrameControl(QGraphicsItem *parent = nullptr);
    ~UIFrameControl() override;

    void setImage(const QString &normal, const QString &hovered = QString(),
                  const QString &pressed = QString(), const QString &disabled = QString(),
                  const QString &checked = QString());
    QString imagePaths() const;
    void setImagePaths(const QString &paths);

    QMarginsF frameMargins() const;
    void setFrameMargins(const QMarginsF &margins);

    bool isHovered() const;
    void setHovered(bool hovered);
    bool isPressed() const;
    void setPressed(bool pressed);
    bool isChecked() const;
    void setChecked(bool checked);
    // Whether the frame follows the mouse itself (off: its owner sets hovered and pressed).
    bool hoverTracking() const;
    void setHoverTracking(bool track);

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

protected:
    UIFrameControl(UIFrameControlPrivate &dd, QGraphicsItem *parent);
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;

private:
    Q_DECLARE_PRIVATE(UIFrameControl)
};
