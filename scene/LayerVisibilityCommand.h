#pragma once

#include "SceneUndoCommand.h"

// Undoes switching a layer into or out of the output (the layer manager's check box).
class LayerVisibilityCommand : public SceneUndoCommand
{
public:
    LayerVisibilityCommand(PreviewContainer *scene, quint64 layer, bool shown);

protected:
    bool apply(bool undo) override;

private:
    const quint64 m_layer;
    const bool m_shown; // after the change
};
