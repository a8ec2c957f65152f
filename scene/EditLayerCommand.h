#pragma once

#include "LayerSnapshot.h"
#include "SceneUndoCommand.h"

// Undoes an edit confirmed in a layer's editor: the picture, text, font and colour, camera,
// opacity and rectangle as they were when the editor opened, and as they were confirmed.
class EditLayerCommand : public SceneUndoCommand
{
public:
    EditLayerCommand(PreviewContainer *scene, quint64 layer,
                     std::shared_ptr<const BasicLayerData> before,
                     std::shared_ptr<const BasicLayerData> after);

protected:
    bool apply(bool undo) override;

private:
    const quint64 m_layer;
    const std::shared_ptr<const BasicLayerData> m_before;
    const std::shared_ptr<const BasicLayerData> m_after;
};
