#include "LayersDragDropDataFormater.h"

#include <QMimeData>

QMimeData *LayersDragDropDataFormater::createMimeData(const QList<QStandardItem *> &items)
{
    Q_UNUSED(items)
    return new QMimeData;
}
