#pragma once

#include "LayerItem.h"

#include <QPointer>
#include <QRectF>
#include <QSize>

class LayerMenu;
class PreviewCenterData;
class QFont;

// The interactive item of one layer in the preview scene: the user selects it, drags it,
// resizes it by its handles (free with Shift, aspect-locked without), moves it with the arrow
// keys, double-clicks it to edit and right-clicks it for the layer menu. Kinds paint their
// content in paintContent(); the selection frame and handles are painted on top.
//
// The item never leaves its parent's rectangle while the user moves or resizes it: a step that
// would leave it is refused, not clamped, and the grab point stays where it was, so the item
// follows the pointer again as soon as the pointer is back inside. Its position is always in
// whole scene units, so the stored layout (whole units) restores exactly what was shown.
//
// Every change of geometry, whoever makes it, is reported from one place (the widget's own
// geometryChanged) through the LayerItem signals, which the paired compositing layer follows:
// live while the user drags, and once more when the drag ends.
class BasicLayer : public LayerItem
{
    Q_OBJECT

public:
    enum State { StateNormal = 0, StatePending = 1, StateActive = 2 };

    // Handle regions, in the order they are tested.
    enum Region {
        RegionBody = 0,
        RegionBottom = 1,
        RegionBottomLeft = 2,
        RegionBottomRight = 3,
        RegionTop = 4,
        RegionTopLeft = 5,
        RegionTopRight = 6,
        RegionLeft = 7,
        RegionRight = 8,
    };

    static constexpr int HandleSize = 7;
    // Free resizing keeps each side longer than this, aspect-locked resizing at least MinSide.
    static constexpr int MinFreeSide = 14;
    static constexpr int MinSide = 30;

    // centerData carries the "user is dragging" flag and the sizes the kinds need; may be null.
    explicit BasicLayer(PreviewCenterData *centerData, QGraphicsItem *parent = nullptr);
    ~BasicLayer() override;

    int layerType() const override;
    QString name() const override { return m_name; }
    void setName(const QString &name) override;
    void setAspectRatio(double ratio) override;
    double aspectRatio() const { return m_aspectRatio; }

    virtual bool isOnHandle(const QPointF &pos) const;
    virtual void setFrameEnabled(bool enabled);
    bool isFrameEnabled() const { return m_frameEnabled; }
    // Geometry changes report themselves; kept for callers that name the intent.
    virtual void setGeometryAndNotify(const QRectF &rect);
    // Moves the left edge to 0 and, when the item is wider than size, scales it down to that
    // width at its aspect ratio.
    virtual void fitToWidth(const QSize &size);
    // The bounded move: refused as a whole when it would leave the parent's rectangle.
    virtual void moveBy(const QPointF &delta);
    using QGraphicsItem::moveBy;
    // An arrow key's step by the user: the bounded move, reported as an edit (geometryEdited).
    void nudge(const QPointF &delta);
    // The size text takes in the scene, in the scene's smaller font.
    virtual QSize textSizeInScene(const QFont &font, const QString &text) const;
    // font at the scene's scale: the point size times scene width / output width, truncated.
    QFont sceneFont(const QFont &font) const;
    // Width and height as whole units; a text item answers with its text's size.
    virtual QSize layerSize() const;
    // Pulls the item back inside its parent; true when moving alone cannot do it.
    virtual bool keepInsideParent();
    virtual void showContextMenu();

    // A left press (drag or resize) is in progress.
    bool isPressed() const { return m_pressed; }
    int state() const { return m_state; }
    void setState(int state);
    bool isResizable() const { return m_resizable; }
    void setResizable(bool resizable);

    // The handle region under pos (item coordinates).
    int regionAt(const QPointF &pos) const;
    LayerMenu *menu() const { return m_menu; }
    PreviewCenterData *centerData() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) final;
    // The selection frame and handles, in the item's coordinates; also drawn by what covers
    // the item (the watermark), so that they stay on top.
    bool isFrameShown() const;
    void paintFrame(QPainter *painter) const;

Q_SIGNALS:
    void needToBeDelete(BasicLayer *obj);
    void editLayer(BasicLayer *layer);
    void activeChanged(BasicLayer *layer);
    // The user moved or resized the item: a finished drag, or one arrow-key step (byKey).
    void geometryEdited(BasicLayer *layer, QRectF from, QRectF to, bool byKey);
    void sigToFirstLayer(BasicLayer *layer);
    void sigToLastLayer(BasicLayer *layer);
    void sigLayermgr(BasicLayer *layer);

public Q_SLOTS:
    void onToFirstLayer();
    void onTolastLayer();
    void onLayermgr();

protected:
    // The kind's content, under the frame; the painter is restored afterwards.
    virtual void paintContent(QPainter *painter);
    // Sets the size keeping the position, then reports it (sigResizedOk, sigResized).
    void _scaleToWidth(qreal width);
    // (w, h) scaled by s and fitted to the aspect ratio, each side truncated.
    QSize _fitToAspect(qreal width, qreal height) const;
    void _setInteracting(bool interacting);
    // Repaints the scene control and the control it sits in, which clears what an old
    // geometry left behind.
    void _repaintParents();
    QWidget *_view() const;

    void hoverMoveEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;
    void ungrabMouseEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;

private:
    // The one place where geometry changes are reported (the widget's geometryChanged).
    void _reportGeometry();
    // The end of a press: reports the drag's result once.
    void _finishPress();
    // The bounded move to a new top-left; false when refused.
    bool _moveTo(const QPointF &topLeft);
    // The pointer in the parent's coordinates.
    QPointF _pointerInParent(const QGraphicsSceneMouseEvent *event) const;
    void _freeResize(const QPointF &pointerMoved);
    void _aspectResize(const QPointF &mouse);
    QRectF _currentBounds() const;
    static Qt::CursorShape _cursorFor(int region);

    double m_aspectRatio = 1.0;
    int m_pressRegion = RegionBody;
    LayerMenu *m_menu = nullptr;
    int m_state = StateNormal;
    bool m_pressed = false;
    bool m_frameEnabled = true;
    bool m_resizable = true;
    QRectF m_bounds;
    QRectF m_pressGeometry; // the item's geometry when the press began
    QPointF m_pressPointer; // the pointer then, in the parent's coordinates
    QRectF m_reported;      // the geometry last reported to the compositing layer
    QString m_name;
    // Owned by the controller, which may go before the scene's items (they are deleted later).
    const QPointer<PreviewCenterData> m_centerData;
};
