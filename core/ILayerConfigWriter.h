#pragma once

#include <QString>

// Where compositing layers write their configuration entries. The settings store implements
// it; a layer only needs replacing writes of text values.
class ILayerConfigWriter
{
public:
    virtual ~ILayerConfigWriter() = default;

    // Replaces the value stored under key (a path such as "layer1/pos").
    virtual void setValue(const QString &key, const QString &value) = 0;
};
