#pragma once

#include "BasicLayer.h"
#include "CameraParam.h"

#include <appcommon/sigslot.h>

#include <QPixmap>
#include <QTimer>

// The camera's item: shows the picture its compositing layer hands over, centred, or a
// "no camera" picture on grey while there is none, and fits itself to the camera's aspect
// ratio whenever a camera record arrives.
class CameraLayer : public BasicLayer, public ICameraLayerItem, public sigslot::has_slots
{
    Q_OBJECT

public:
    explicit CameraLayer(PreviewCenterData *centerData, QGraphicsItem *parent = nullptr);
    ~CameraLayer() override;

    int layerType() const override { return LT_CAMERA; }
    ICameraLayerItem *cameraItem() override { return this; }
    void showContextMenu() override;

    // ICameraLayerItem
    void setCameraPixmap(const QPixmap &pixmap) override;
    void setCameraParam(const CameraParam &param) override;

    const CameraParam &cameraParam() const { return m_cameraParam; }
    int alpha() const { return m_alpha; }
    void setAlpha(int alpha);

    // Fits the item to the camera's aspect ratio inside its parent.
    void applyCameraSize(const CameraParam &param);

public Q_SLOTS:
    void onEdit();
    void onDelete();
    void on_alphaChanged(int alpha);
    void on_CameraParamChanged(CameraParam cameraParam);
    void on_sigResizedOk(QRectF newRc);
    void on_timer_update();

protected:
    void paintContent(QPainter *painter) override;

private:
    int m_alpha = 100;
    CameraParam m_cameraParam;
    QPixmap m_shownPixmap;
    QPixmap m_noDataPixmap;
    bool m_hasPicture = false;
    // Owned, not a single-shot call: no pending call outlives the item (and the library).
    QTimer m_repaintTimer;
};
