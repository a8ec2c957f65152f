#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

class FontInfoConfig;
class LayerItem;
class QObject;

// The interactive scene as the compositor sees it when it shows its layers (loadUI): one call
// per kind creates the scene item for an existing compositing layer, at the layer's scene
// rectangle, and returns it for linking; null when the scene refuses. The preview scene
// (PreviewContainer) implements it. GUI thread only.
class ILayerScene
{
public:
    // The scene as an object, so that the compositor can tell when it is gone.
    virtual QObject *sceneObject() = 0;

    virtual LayerItem *addPicLayer(const QString &path, bool canEditSize, const QPoint &pos,
                                   const QSize &size, int alpha, bool isNew) = 0;
    virtual LayerItem *addTextLayer(const FontInfoConfig &config, const QString &text,
                                    const QPoint &pos, bool isNew) = 0;
    // Pairs the item with the compositor's camera layer itself.
    virtual LayerItem *addCameraLayer(const QString &name, const QPoint &pos, const QSize &size,
                                      int alpha, const QString &device, const QSize &resolution,
                                      bool isNew, bool showTip, bool flag, unsigned int keyColor,
                                      float sensitivity, float blend) = 0;
    virtual LayerItem *addGameVideoLayer(const QPoint &pos, const QSize &size, int alpha) = 0;

protected:
    ~ILayerScene() = default;
};
