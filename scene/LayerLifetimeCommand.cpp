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
    // Brought back later as it is now, not as it was recorded.
    if (const std::optional<LayerState> now = scene()->presentState(m_layer))
        m_state = *now;
    return scene()->removeLayer(m_layer);
}
