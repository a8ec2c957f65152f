#pragma once

class LayerState;

// One layer of the compositor's stack as the stored layout sees it.
class IStoredLayer
{
public:
    // One of LayerType.
    virtual int layerType() const = 0;
    // What the layer is now, to be written.
    virtual LayerState state() const = 0;

protected:
    ~IStoredLayer() = default;
};
