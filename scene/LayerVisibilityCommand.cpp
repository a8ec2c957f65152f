#include "LayerVisibilityCommand.h"

#include "PreviewContainer.h"

LayerVisibilityCommand::LayerVisibilityCommand(PreviewContainer *scene, quint64 layer, bool shown)
    : SceneUndoCommand(scene)
    , m_layer(layer)
    , m_shown(shown)
{}

bool LayerVisibilityCommand::apply(bool undo)
{
    return scene()->restoreVisibility(m_layer, undo ? !m_shown : m_shown);
}
