#pragma once

#include "LayerSnapshot.h"
#include "SceneUndoCommand.h"

#include <QList>

// Undoes the user's deletion of a layer: brings it back with its picture, text or camera, its
// place and size, name, visibility and its place in the stack.
class DeleteLayerCommand : public SceneUndoCommand
{
public:
    DeleteLayerCommand(PreviewContainer *scene, quint64 layer, const LayerSnapshot &snapshot,
                       const QList<quint64> &orderBefore);

protected:
    bool apply(bool undo) override;

private:
    const quint64 m_layer;
    const LayerSnapshot m_snapshot;
    const QList<quint64> m_orderBefore;
};
