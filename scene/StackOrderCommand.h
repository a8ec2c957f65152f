#pragma once

#include "SceneUndoCommand.h"

#include <QList>

// Undoes a change of the stacking order (the layer menu's to front and to back, the layer
// manager's buttons and row drags): the whole order, back to front, before and after.
class StackOrderCommand : public SceneUndoCommand
{
public:
    StackOrderCommand(PreviewContainer *scene, const QList<quint64> &before,
                      const QList<quint64> &after);

protected:
    bool apply(bool undo) override;

private:
    const QList<quint64> m_before;
    const QList<quint64> m_after;
};
