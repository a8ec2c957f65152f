#pragma once

#include "BasicLayer.h"

#include <appcommon/sigslot.h>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QTimer>

// The game video's item: shows the game picture its compositing layer hands over, already at
// the item's size, or a placeholder text on grey while there is none. The user can move,
// resize and re-order it, but neither edit nor delete it.
class GamePicLayer : public BasicLayer, public IGameLayerItem, public sigslot::has_slots
{
    Q_OBJECT

public:
    explicit GamePicLayer(PreviewCenterData *centerData, QGraphicsItem *parent = nullptr);
    ~GamePicLayer() override;

    int layerType() const override { return LT_GAMEVIDEO; }
    IGameLayerItem *gameItem() override { return this; }
    void showContextMenu() override;

    // IGameLayerItem
    void setGamePicture(const QImage &picture) override;

    int alpha() const { return m_alpha; }
    void setAlpha(int alpha);
    bool hasGamePicture() const { return !m_gamePicture.isNull(); }
    QString placeholderText() const { return m_placeholderText; }

public Q_SLOTS:
    void onEdit();
    void onDelete();
    void on_alphaChanged(int alpha);
    void on_timer_update();

protected:
    void paintContent(QPainter *painter) override;
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;

private:
    void _measurePlaceholder();

    int m_alpha = 100;
    QFont m_placeholderFont;
    QColor m_placeholderColor{255, 255, 255, 255};
    QString m_placeholderText;
    QPointF m_placeholderPos;
    QSizeF m_placeholderSize; // the text's box, measured as a text item lays it out
    QImage m_gamePicture;
    // Owned, not a single-shot call: no pending call outlives the item (and the library).
    QTimer m_repaintTimer;
};
