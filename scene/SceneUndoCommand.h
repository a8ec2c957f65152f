#pragma once

#include <QPointer>
#include <QUndoCommand>

class PreviewContainer;

// A change the user made in the preview, recorded after it happened: the first redo (the one
// QUndoStack::push makes) does nothing. Layers are named by the scene's undo keys, which stay the
// same when a deleted layer is brought back as a new item with a new compositing layer. A
// command whose layer is gone for good (the host removed the camera, the scene refuses a sixth
// text) does nothing and marks itself obsolete, so the stack drops it and the scene moves on to
// the next step.
class SceneUndoCommand : public QUndoCommand
{
public:
    explicit SceneUndoCommand(PreviewContainer *scene);
    ~SceneUndoCommand() override;

    void undo() final;
    void redo() final;

protected:
    // Applies the state before (undo) or after (redo) the change; false when it cannot.
    virtual bool apply(bool undo) = 0;
    PreviewContainer *scene() const { return m_scene; }

private:
    void _run(bool undo);

    const QPointer<PreviewContainer> m_scene;
    bool m_recorded = true; // the change is already made: the first redo is the push's
};
