#pragma once

#include "UIDragDropDataFormater.h"

// The drag data of a layer manager row: an empty payload. The list itself knows which row is
// dragged and where it lands; the data only lets the drag start.
class LayersDragDropDataFormater : public UIDragDropDataFormater
{
public:
    QMimeData *createMimeData(const QList<QStandardItem *> &items) override;
};
