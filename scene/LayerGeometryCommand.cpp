#include "LayerGeometryCommand.h"

#include "BasicLayer.h"
#include "PreviewContainer.h"

LayerGeometryCommand::LayerGeometryCommand(PreviewContainer *scene, quint64 layer,
                                           const QRectF &from, const QRectF &to, Kind kind)
    : SceneUndoCommand(scene)
    , m_layer(layer)
    , m_from(from)
    , m_to(to)
    , m_kind(kind)
{}

int LayerGeometryCommand::id() const
{
    // Only key steps merge; drags stay one step each.
    return m_kind == KeySteps ? 1 : -1;
}

bool LayerGeometryCommand::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const LayerGeometryCommand *>(other);
    if (next->m_layer != m_layer || next->m_from != m_to)
        return false;
    m_to = next->m_to;
    return true;
}

bool LayerGeometryCommand::apply(bool undo)
{
    // Where the step leaves the layer is where it stands now (the scene may have moved it).
    if (const BasicLayer *layer = scene()->layerOfUndoKey(m_layer))
        (undo ? m_to : m_from) = layer->geometry();
    return scene()->restoreGeometry(m_layer, undo ? m_from : m_to);
}
