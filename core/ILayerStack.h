#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <functional>

class IStoredLayer;

// What the layer settings need of the compositor: the scene size stored geometry refers to,
// creating a layer of each kind from stored values (appended at the top of the stack), and
// walking the stack to save it. GUI thread only.
class ILayerStack
{
public:
    virtual QSizeF sceneSize() const = 0;
    virtual void setSceneSize(const QSizeF &size) = 0;

    virtual IStoredLayer *addImageLayer(const QString &path, bool canEditSize, const QPoint &pos,
                                        bool combine, const QSize &size, int alpha,
                                        const QString &name) = 0;
    virtual IStoredLayer *addTextLayer(const QFont &font, const QColor &color, const QString &text,
                                       const QPoint &pos, bool combine, const QString &name) = 0;
    // Reuses the stack's camera layer when there is one.
    virtual IStoredLayer *addCameraLayer(const QPoint &pos, bool combine, const QSize &size,
                                         int alpha, const QString &deviceName,
                                         const QSize &captureSize, const QString &name, bool flag,
                                         unsigned int keyColor, float sensitivity, float blend) = 0;
    virtual IStoredLayer *addGameVideoLayer(const QPoint &pos, bool combine, const QSize &size,
                                            int alpha, const QString &name) = 0;

    // Entries in the stack, including layers that are gone or marked deleted.
    virtual int layerCount() const = 0;
    // Calls visit for every live layer not marked deleted, bottom first.
    virtual void forEachLayer(const std::function<void(IStoredLayer &)> &visit) const = 0;

protected:
    ~ILayerStack() = default;
};
