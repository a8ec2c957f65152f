#pragma once

#include <QSizeF>

#include <functional>

class IStoredLayer;
class LayerState;

// What the layer settings need of the compositor: the scene size stored geometry refers to,
// creating a layer from its stored state (appended at the top of the stack), and walking the
// stack to save it. GUI thread only.
class ILayerStack
{
public:
    virtual QSizeF sceneSize() const = 0;
    virtual void setSceneSize(const QSizeF &size) = 0;

    // A layer of state.type in state; a camera reuses the stack's camera layer when there is
    // one. Null for a type that is no layer, or when the host took the new camera layer away
    // while it was asked to open the camera.
    virtual IStoredLayer *addLayer(const LayerState &state) = 0;

    // Entries in the stack, including layers that are gone or marked deleted.
    virtual int layerCount() const = 0;
    // Calls visit for every live layer not marked deleted, bottom first.
    virtual void forEachLayer(const std::function<void(IStoredLayer &)> &visit) const = 0;

protected:
    ~ILayerStack() = default;
};
