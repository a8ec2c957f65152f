#include "EditLayerCommand.h"

#include "PreviewContainer.h"

EditLayerCommand::EditLayerCommand(PreviewContainer *scene, quint64 layer, const LayerState &before,
                                   const LayerState &after)
    : SceneUndoCommand(scene)
    , m_layer(layer)
    , m_before(before)
    , m_after(after)
{}

bool EditLayerCommand::apply(bool undo)
{
    if (const std::optional<LayerState> now = scene()->presentState(m_layer))
        (undo ? m_after : m_before) = *now;
    return scene()->restoreState(m_layer, undo ? m_before : m_after);
}
