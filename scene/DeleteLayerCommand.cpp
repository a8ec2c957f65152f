#include "DeleteLayerCommand.h"

#include "PreviewContainer.h"

DeleteLayerCommand::DeleteLayerCommand(PreviewContainer *scene, quint64 layer,
                                       const LayerSnapshot &snapshot,
                                       const QList<quint64> &orderBefore)
    : SceneUndoCommand(scene)
    , m_layer(layer)
    , m_snapshot(snapshot)
    , m_orderBefore(orderBefore)
{}

bool DeleteLayerCommand::apply(bool undo)
{
    if (!undo)
        return scene()->removeLayer(m_layer);
    return scene()->recreateLayer(m_layer, m_snapshot) && scene()->restoreOrder(m_orderBefore);
}
