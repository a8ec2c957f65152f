#include "EditLayerCommand.h"

#include "PreviewContainer.h"

EditLayerCommand::EditLayerCommand(PreviewContainer *scene, quint64 layer,
                                   std::shared_ptr<const BasicLayerData> before,
                                   std::shared_ptr<const BasicLayerData> after)
    : SceneUndoCommand(scene)
    , m_layer(layer)
    , m_before(std::move(before))
    , m_after(std::move(after))
{}

bool EditLayerCommand::apply(bool undo)
{
    return scene()->restoreRecord(m_layer, undo ? *m_before : *m_after);
}
