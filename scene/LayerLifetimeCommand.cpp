#include "LayerLifetimeCommand.h"

#include "PreviewContainer.h"

LayerLifetimeCommand::LayerLifetimeCommand(PreviewContainer *scene, quint64 layer,
                                           const LayerSnapshot &snapshot,
                                           const QList<quint64> &order)
    : SceneUndoCommand(scene)
    , m_layer(layer)
    , m_snapshot(snapshot)
    , m_order(order)
{}

bool LayerLifetimeCommand::bringBack()
{
    return scene()->recreateLayer(m_layer, m_snapshot) && scene()->restoreOrder(m_order);
}

bool LayerLifetimeCommand::takeAway()
{
    return scene()->removeLayer(m_layer);
}
