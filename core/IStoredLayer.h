#pragma once

#include <QString>

class ILayerConfigWriter;

// One layer of the compositor's stack as the stored layout sees it.
class IStoredLayer
{
public:
    // One of LayerType.
    virtual int layerType() const = 0;
    // Writes the layer's values under "<key>/..."; false when nothing was written.
    virtual bool saveConfig(const QString &key, ILayerConfigWriter *store) = 0;

protected:
    ~IStoredLayer() = default;
};
