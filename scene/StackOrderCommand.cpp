#include "StackOrderCommand.h"

#include "PreviewContainer.h"

StackOrderCommand::StackOrderCommand(PreviewContainer *scene, const QList<quint64> &before,
                                     const QList<quint64> &after)
    : SceneUndoCommand(scene)
    , m_before(before)
    , m_after(after)
{}

bool StackOrderCommand::apply(bool undo)
{
    return scene()->restoreOrder(undo ? m_before : m_after);
}
