#pragma once

#include "CameraParam.h"
#include "FontInfoConfig.h"
#include "LayerType.h"

#include <QMetaType>
#include <QPoint>
#include <QRectF>
#include <QSize>
#include <QString>

// Everything that makes one layer what it is, as one value: its kind, its rectangle in scene
// units, its opacity, name and whether the output shows it, and what its kind adds (the picture
// path, the text and its font, the camera). The compositing layer is where a layer's state
// lives; this is how it travels: into the compositor and the scene when a layer is created,
// out of the compositor into the stored layout, and kept aside by the scene so that cancelling
// an edit or undoing one puts the old value back.
//
// A new property of a layer is a field here (and in operator==), its entries in LayerConfig
// (settings), and the code that uses it: the compositing layer that paints it and reports it in
// state(), the item that shows it and the editor that changes it. No signature changes.
class LayerState
{
public:
    LayerState() = default;
    explicit LayerState(int layerType)
        : type(layerType)
    {}

    int type = LT_NONE;
    QRectF geometry;     // scene units
    int alpha = 100;     // percent; texts have no opacity of their own
    QString name;        // empty: the compositor numbers it ("pic 3")
    bool combine = true; // the output shows it
    bool canEditSize = true;

    QString path;            // LT_PICTURE
    QString text;            // LT_TEXT, lines separated by line feeds
    FontInfoConfig fontInfo; // LT_TEXT
    CameraParam cameraParam; // LT_CAMERA

    // The rectangle in whole scene units, each value truncated toward zero, as it is stored.
    QPoint topLeft() const;
    QSize size() const;

    // Real to integer for geometry: toward zero, and never undefined for values that do not
    // fit an int (those are clamped, NaN becomes 0).
    static int truncate(double value);

    // The same layer state: every field, and of the payload only what the kind uses.
    bool operator==(const LayerState &other) const;
    bool operator!=(const LayerState &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(LayerState)
