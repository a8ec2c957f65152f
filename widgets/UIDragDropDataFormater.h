#pragma once

#include <QList>

class QMimeData;
class QStandardItem;

// Turns the model items being dragged out of a list into the data the drag carries. A list
// widget owns its formatter.
class UIDragDropDataFormater
{
public:
    virtual ~UIDragDropDataFormater() = default;

    // New drag data for items (in list order), or null when they cannot be dragged.
    virtual QMimeData *createMimeData(const QList<QStandardItem *> &items) = 0;
};
