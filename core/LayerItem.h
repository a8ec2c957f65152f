#pragma once

#include "CameraParam.h"
#include "FontInfoConfig.h"
#include "LayerType.h"

#include <guifoundation/UIControl.h>

#include <QRectF>
#include <QString>

class QImage;
class QPixmap;

// What a camera compositing layer tells its scene item.
class ICameraLayerItem
{
public:
    // A null pixmap: no camera picture to show.
    virtual void setCameraPixmap(const QPixmap &pixmap) = 0;
    // The record the layer was created with; the item fits itself to the camera's aspect.
    virtual void setCameraParam(const CameraParam &param) = 0;

protected:
    ~ICameraLayerItem() = default;
};

// What the game-video compositing layer tells its scene item.
class IGameLayerItem
{
public:
    // The game picture, already at the item's size; null when there is none.
    virtual void setGamePicture(const QImage &picture) = 0;

protected:
    ~IGameLayerItem() = default;
};

// The scene item of one layer, as the compositing side sees it. A compositing layer keeps a
// guarded pointer to its item, listens to these signals and calls only what is declared here
// and in the kind interfaces above; the scene's items implement all of it. Every rectangle is
// the item's geometry: its position in the scene container and its size.
//
// Geometry, stacking and visibility are the graphics widget's own (setGeometry, setZValue,
// setVisible).
class LayerItem : public UIControl
{
    Q_OBJECT

public:
    explicit LayerItem(QGraphicsItem *parent = nullptr);
    ~LayerItem() override;

    // One of LayerType.
    virtual int layerType() const = 0;
    virtual QString name() const = 0;
    virtual void setName(const QString &name) = 0;
    // Width / height that aspect-locked resizing keeps.
    virtual void setAspectRatio(double ratio) = 0;

    // The item's side of a camera or game layer; null for every other kind.
    virtual ICameraLayerItem *cameraItem() { return nullptr; }
    virtual IGameLayerItem *gameItem() { return nullptr; }

Q_SIGNALS:
    // Geometry. Every change is reported, whoever makes it: a change of position alone with
    // sigPosChanged, any change of size with sigResized. While the user drags or resizes, each
    // step is reported live with sigGeometryChanging and the drag's result once more at the
    // release (sigResizedOk, sigResized, and sigPosChanged when it moved): the release is the
    // one change that counts for the stored layout and for undo.
    void sigResized(QRectF newRc);
    void sigResizedOk(QRectF newRc);
    void sigPosChanged(QRectF newRc);
    void sigGeometryChanging(QRectF newRc);
    // Opacity in percent (pictures, camera, game video).
    void sigAlphaChanged(int alpha);
    // Pictures.
    void sigPicPathChanged(QString imagePath);
    // Camera.
    void sigCameraParamChanged(CameraParam cameraParam);
    void sigKeyColorParamChanged(CameraParam cameraParam);
    // Texts: font and colour in output-frame terms, and the text.
    void sigInfoChanged(FontInfoConfig config, QString content);
};
