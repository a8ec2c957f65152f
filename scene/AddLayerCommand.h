#pragma once

#include "LayerSnapshot.h"
#include "SceneUndoCommand.h"

#include <QList>

// Undoes adding a layer (the confirmed editor of a new text, picture or camera): undo removes
// it, redo brings it back as it was confirmed, at its place in the stack.
class AddLayerCommand : public SceneUndoCommand
{
public:
    AddLayerCommand(PreviewContainer *scene, quint64 layer, const LayerSnapshot &snapshot,
                    const QList<quint64> &orderAfter);

protected:
    bool apply(bool undo) override;

private:
    const quint64 m_layer;
    const LayerSnapshot m_snapshot;
    const QList<quint64> m_orderAfter;
};
