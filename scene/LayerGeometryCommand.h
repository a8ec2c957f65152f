#pragma once

#include "SceneUndoCommand.h"

#include <QRectF>

// Undoes a move or a resize of one layer: a finished drag, or a run of arrow-key steps on the
// same layer, which merge into one step.
class LayerGeometryCommand : public SceneUndoCommand
{
public:
    enum Kind { Drag, KeySteps };

    LayerGeometryCommand(PreviewContainer *scene, quint64 layer, const QRectF &from,
                         const QRectF &to, Kind kind);

    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

protected:
    bool apply(bool undo) override;

private:
    const quint64 m_layer;
    QRectF m_from;
    QRectF m_to;
    const Kind m_kind;
};
