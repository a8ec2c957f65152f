#include "AddLayerCommand.h"

#include "PreviewContainer.h"

AddLayerCommand::AddLayerCommand(PreviewContainer *scene, quint64 layer,
                                 const LayerSnapshot &snapshot, const QList<quint64> &orderAfter)
    : SceneUndoCommand(scene)
    , m_layer(layer)
    , m_snapshot(snapshot)
    , m_orderAfter(orderAfter)
{}

bool AddLayerCommand::apply(bool undo)
{
    if (undo)
        return scene()->removeLayer(m_layer);
    return scene()->recreateLayer(m_layer, m_snapshot) && scene()->restoreOrder(m_orderAfter);
}
