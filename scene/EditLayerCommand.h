#pragma once

#include "LayerState.h"
#include "SceneUndoCommand.h"

// Undoes an edit confirmed in a layer's editor: the picture, text, font and colour, camera,
// opacity and rectangle as they were when the editor opened, and as they were confirmed.
class EditLayerCommand : public SceneUndoCommand
{
public:
    EditLayerCommand(PreviewContainer *scene, quint64 layer, const LayerState &before,
                     const LayerState &after);

protected:
    bool apply(bool undo) override;

private:
    const quint64 m_layer;
    LayerState m_before;
    LayerState m_after;
};
