#pragma once

#include "LayerState.h"
#include "SceneUndoCommand.h"

#include <QList>

// What undoing an add and undoing a delete share: taking a layer away, and bringing it back as
// it was (its picture, text or camera, place and size, name, visibility) at its place in the
// stack.
class LayerLifetimeCommand : public SceneUndoCommand
{
public:
    // order: the stack, back to front, while the layer is there.
    LayerLifetimeCommand(PreviewContainer *scene, quint64 layer, const LayerState &state,
                         const QList<quint64> &order);

protected:
    bool bringBack();
    bool takeAway();

private:
    const quint64 m_layer;
    LayerState m_state;
    const QList<quint64> m_order;
};
