#include "SceneUndoCommand.h"

#include "PreviewContainer.h"

#include <utility>

SceneUndoCommand::SceneUndoCommand(PreviewContainer *scene)
    : m_scene(scene)
{}

SceneUndoCommand::~SceneUndoCommand() = default;

void SceneUndoCommand::undo()
{
    _run(true);
}

void SceneUndoCommand::redo()
{
    if (std::exchange(m_recorded, false))
        return;
    _run(false);
}

void SceneUndoCommand::_run(bool undo)
{
    if (!m_scene || !apply(undo))
        setObsolete(true);
}
