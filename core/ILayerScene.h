#pragma once

class LayerItem;
class LayerState;
class QObject;

// The interactive scene as the compositor sees it when it shows its layers (loadUI): creates
// the scene item for an existing compositing layer from the layer's state, at the layer's scene
// rectangle, and returns it for linking; null when the scene refuses. The preview scene
// (PreviewContainer) implements it. GUI thread only.
class ILayerScene
{
public:
    // The scene as an object, so that the compositor can tell when it is gone.
    virtual QObject *sceneObject() = 0;

    // A camera item pairs with the compositor's camera layer itself.
    virtual LayerItem *addLayer(const LayerState &state) = 0;

protected:
    ~ILayerScene() = default;
};
