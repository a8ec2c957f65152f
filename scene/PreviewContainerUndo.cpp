// The undo side of the preview scene.
//
// What is recorded: each change the user makes, once, when it is made: a finished drag or
// resize (LayerGeometryCommand; arrow-key steps on one layer merge into one step), a delete
// (DeleteLayerCommand), an order change and a visibility switch from the layer menu or the layer
// manager, which all go through RelayoutLogic (StackOrderCommand, LayerVisibilityCommand), and an
// edit confirmed in an editor (EditLayerCommand; for a new layer, AddLayerCommand). A pending
// layer (its editor still open) is not in the history until it is confirmed; a cancelled edit
// leaves no step. Changes the host or the scene itself makes (a new video size, a restored
// layout, the host removing the camera) are not steps.
//
// Identity: a layer is named by an undo key. Undoing a delete brings the layer back as a new
// item with a new compositing layer (and a new layer id); the key then names the new item, so
// the older steps about that layer still find it.
//
// Limits: at most one camera and five texts hold while stepping, because the history is linear:
// undoing a step finds the scene as that step left it. When the host removes the camera
// (removeCameraLayers), every step about a camera is retired: it does nothing and drops out, so
// no undo or redo brings back a camera the host took away. The history belongs to the scene:
// it goes when the scene closes (unInit, or the host closing it).

#include "PreviewContainer.h"

#include "BasicLayer.h"
#include "CameraLayer.h"
#include "CMBasicLayer.h"
#include "FontInfoConfig.h"
#include "LayerGeometryCommand.h"
#include "LayerVisibilityCommand.h"
#include "PreviewCombineLogic.h"
#include "RelayoutLogic.h"
#include "SceneGeometry.h"
#include "StackOrderCommand.h"

void PreviewContainer::undo()
{
    _stepHistory(true);
}

void PreviewContainer::redo()
{
    _stepHistory(false);
}

void PreviewContainer::_stepHistory(bool back)
{
    if (!_canStepHistory())
        return;
    QPointer<PreviewContainer> self(this);
    m_replaying = true;
    // A step whose layer is gone for good drops out of the stack: take the next one instead.
    while (back ? m_undoStack.canUndo() : m_undoStack.canRedo()) {
        const int steps = m_undoStack.count();
        if (back)
            m_undoStack.undo();
        else
            m_undoStack.redo();
        if (!self || m_undoStack.count() == steps)
            break;
    }
    if (!self)
        return;
    m_replaying = false;
    _refreshLayersManager();
    update();
}

bool PreviewContainer::_canStepHistory() const
{
    // An open editor owns its layer until it reports; a held drag owns its layer until release.
    if (m_closing || m_replaying || m_pendingData)
        return false;
    const QList<BasicLayer *> all = layers();
    return std::none_of(all.cbegin(), all.cend(),
                        [](const BasicLayer *layer) { return layer->isPressed(); });
}

void PreviewContainer::_record(QUndoCommand *command)
{
    if (m_replaying || m_closing) {
        delete command;
        return;
    }
    m_undoStack.push(command);
}

quint64 PreviewContainer::undoKeyOf(BasicLayer *layer)
{
    for (auto it = m_undoKeys.cbegin(); it != m_undoKeys.cend(); ++it) {
        if (it->layer == layer)
            return it.key();
    }
    const quint64 key = m_nextUndoKey++;
    m_undoKeys.insert(key, UndoKey{layer, layer->layerType(), false});
    return key;
}

BasicLayer *PreviewContainer::layerOfUndoKey(quint64 key) const
{
    const auto found = m_undoKeys.constFind(key);
    if (found == m_undoKeys.cend() || found->retired || !hasLayer(found->layer))
        return nullptr;
    return found->layer;
}

void PreviewContainer::_retireCameraKeys()
{
    for (UndoKey &key : m_undoKeys) {
        if (key.type == LT_CAMERA)
            key.retired = true;
    }
}

QList<quint64> PreviewContainer::_stackKeys(const QList<uint> &layerIds)
{
    QList<quint64> keys;
    if (!m_compositor)
        return keys;
    for (uint id : layerIds) {
        auto *twin = qobject_cast<CMBasicLayer *>(m_compositor->layerById(id));
        auto *item = twin ? qobject_cast<BasicLayer *>(twin->uiLayer()) : nullptr;
        if (hasLayer(item))
            keys.append(undoKeyOf(item));
    }
    return keys;
}

QList<quint64> PreviewContainer::_stackKeys()
{
    return m_relayout ? _stackKeys(m_relayout->liveOrder()) : QList<quint64>();
}

quint32 PreviewContainer::_layerIdOfKey(quint64 key) const
{
    BasicLayer *layer = layerOfUndoKey(key);
    const CMLayer *twin = layer && m_compositor ? m_compositor->layerOfItem(layer) : nullptr;
    return twin ? twin->layerId() : 0;
}

void PreviewContainer::_onGeometryEdited(BasicLayer *layer, const QRectF &from, const QRectF &to,
                                         bool byKey)
{
    // The layer an editor has open is recorded with its edit, when that ends; any other layer
    // moved meanwhile (a drag the editor's opening fell into) is the user's change as always.
    if (!hasLayer(layer) || layer->state() == BasicLayer::StatePending ||
        (m_pendingData && m_pendingData->layer == layer))
        return;
    _record(new LayerGeometryCommand(this, undoKeyOf(layer), from, to,
                                     byKey ? LayerGeometryCommand::KeySteps
                                           : LayerGeometryCommand::Drag));
}

void PreviewContainer::_onStackReordered(const QList<uint> &before, const QList<uint> &after)
{
    if (m_replaying || m_closing)
        return;
    _record(new StackOrderCommand(this, _stackKeys(before), _stackKeys(after)));
}

void PreviewContainer::_onCombineChanged(uint layerId, bool combine)
{
    if (m_replaying || m_closing)
        return;
    const QList<quint64> key = _stackKeys({layerId});
    if (!key.isEmpty())
        _record(new LayerVisibilityCommand(this, key.first(), combine));
}

bool PreviewContainer::restoreGeometry(quint64 key, const QRectF &rect)
{
    BasicLayer *layer = layerOfUndoKey(key);
    if (!layer)
        return false;
    QRectF target = rect;
    // A text's size follows its text at the present output, which may have changed since:
    // only its place comes back.
    if (layer->layerType() == LT_TEXT)
        target.setSize(layer->geometry().size());
    layer->setGeometryAndNotify(target);
    // The preview area may have shrunk since: a layer left outside is brought back in, as
    // every other state coming back is.
    _bringInside(layer);
    return true;
}

std::optional<LayerState> PreviewContainer::presentState(quint64 key) const
{
    BasicLayer *layer = layerOfUndoKey(key);
    if (!layer)
        return std::nullopt;
    return _itemState(layer);
}

bool PreviewContainer::restoreVisibility(quint64 key, bool shown)
{
    const quint32 id = _layerIdOfKey(key);
    if (!id || !m_relayout)
        return false;
    m_relayout->on_layoutsCombine(id, shown);
    return true;
}

bool PreviewContainer::restoreOrder(const QList<quint64> &backToFront)
{
    if (!m_relayout)
        return false;
    QList<uint> ids;
    for (quint64 key : backToFront) {
        if (const quint32 id = _layerIdOfKey(key))
            ids.append(id);
    }
    m_relayout->restoreOrder(ids);
    return true;
}

bool PreviewContainer::restoreState(quint64 key, const LayerState &state)
{
    BasicLayer *layer = layerOfUndoKey(key);
    if (!layer || layer->layerType() != state.type)
        return false;
    _restoreState(layer, state);
    return true;
}

bool PreviewContainer::removeLayer(quint64 key)
{
    BasicLayer *layer = layerOfUndoKey(key);
    if (!layer)
        return false;
    _deleteLayer(layer, false);
    return true;
}

bool PreviewContainer::recreateLayer(quint64 key, const LayerState &state)
{
    const auto found = m_undoKeys.constFind(key);
    if (found == m_undoKeys.cend() || found->retired || layerOfUndoKey(key) || !m_compositor)
        return false;
    QPointer<PreviewContainer> self(this);
    QPointer<BasicLayer> item;
    switch (state.type) {
    case LT_PICTURE:
    case LT_TEXT: {
        if (state.type == LT_TEXT && countLayersOfType(LT_TEXT) >= MaxTextLayers)
            return false;
        auto *twin = qobject_cast<CMBasicLayer *>(m_compositor->addLayer(state));
        item = qobject_cast<BasicLayer *>(addLayer(state));
        if (twin && item)
            twin->setUILayer(item);
        break;
    }
    case LT_CAMERA: {
        if (countLayersOfType(LT_CAMERA) > 0)
            return false;
        // Pairs with a compositing layer itself, which asks the host to open the camera.
        const CameraParam &param = state.cameraParam;
        item = qobject_cast<BasicLayer *>(
            addCameraLayer(state.name, state.topLeft(), state.size(), state.alpha, param.deviceName,
                           QSize(param.width, param.height), false, false, param.flag,
                           param.keyColor, param.sensitivity, param.blend));
        if (!self)
            return false;
        if (CMLayer *twin = item && m_compositor ? m_compositor->layerOfItem(item) : nullptr)
            twin->setCombine(state.combine);
        break;
    }
    default:
        return false;
    }
    if (!self || !item)
        return false;
    item->setGeometryAndNotify(state.geometry);
    // The state is from the scene it was recorded in; the output may have shrunk since.
    _bringInside(item);
    m_undoKeys[key].layer = item;
    return true;
}
