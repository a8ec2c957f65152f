#pragma once

#include <QPointer>
#include <QString>

class CMLayer;

// One row of the layer manager: a layer of the compositor's stack as the user sees it.
struct LayerEntry
{
    int type = 0;            // LayerType
    quint32 layerId = 0;     // the compositing layer's id, how ordering names the layer
    QPointer<CMLayer> layer; // the compositing layer, while it lives
    bool combine = true;     // shown in the output
    QString name;
};
