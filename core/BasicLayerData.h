#pragma once

#include "LayerType.h"

#include <QRectF>

class LayerItem;

// Snapshot of a layer item taken when an editor opens, so that cancelling can restore it.
// The kinds below add what their editor changes.
class BasicLayerData
{
public:
    explicit BasicLayerData(int layerType = LT_NONE)
        : type(layerType)
    {}
    virtual ~BasicLayerData() = default;

    BasicLayerData(const BasicLayerData &) = default;
    BasicLayerData &operator=(const BasicLayerData &) = default;

    int type;
    LayerItem *layer = nullptr; // the edited item, owned by the scene
    QRectF geometry;
    int alpha = 100; // percent; 255 for text items, which have no opacity
    bool canEditSize = true;
};
