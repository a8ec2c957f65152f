#include "LayerLifetimeCommand.h"

#include "PreviewContainer.h"

LayerLifetimeCommand::LayerLifetimeCommand(PreviewContainer *scene, quint64 layer,
                                           const LayerState &state, const QList<quint64> &order)
    : SceneUndoCommand(scene)
    , m_layer(layer)
    , m_state(state)
    , m_order(order)
{}

bool LayerLifetimeCommand::bringBack()
{
    return scene()->recreateLayer(m_layer, m_state) && scene()->restoreOrder(m_order);
}

bool LayerLifetimeCommand::takeAway()
{
    return scene()->removeLayer(m_layer);
}
