#pragma once

#include <QString>

// Where a layer's configuration entries are written (LayerConfig::write): the settings store,
// or a scratch store; only replacing writes of text values are needed.
class ILayerConfigWriter
{
public:
    virtual ~ILayerConfigWriter() = default;

    // Replaces the value stored under key (a path such as "layer1/pos").
    virtual void setValue(const QString &key, const QString &value) = 0;
};
