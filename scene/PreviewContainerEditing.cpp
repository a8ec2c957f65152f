// The editing side of the preview scene: opening a layer's editor with a snapshot record, and
// keeping or rolling back what the editor did.

#include "PreviewContainer.h"

#include "AddLayerCommand.h"
#include "CameraLayer.h"
#include "CameraLayerData.h"
#include "CMBasicLayer.h"
#include "EditLayerCommand.h"
#include "GamePicLayer.h"
#include "ILayerEditorFactory.h"
#include "IPreviewController.h"
#include "Log.h"
#include "PicLayer.h"
#include "PicLayerData.h"
#include "PreviewCombineLogic.h"
#include "RelayoutLogic.h"
#include "SceneGeometry.h"
#include "TextLayer.h"
#include "TextLayerData.h"

#include <guifoundation/UIBaseWindow.h>

#include <QGraphicsScene>

#include <cmath>

void PreviewContainer::on_editLayer(BasicLayer *layer)
{
    if (!layer)
        return;
    switch (layer->layerType()) {
    case LT_PICTURE:
        editPicLayer(layer);
        break;
    case LT_TEXT:
        editTextLayer(layer);
        break;
    case LT_CAMERA:
        editCameraLayer(layer);
        break;
    default:
        break; // the game video has no editor
    }
}

LayerState PreviewContainer::_itemState(BasicLayer *layer) const
{
    LayerState state(layer->layerType());
    state.geometry = layer->geometry();
    state.canEditSize = layer->isResizable();
    if (auto *picture = qobject_cast<PicLayer *>(layer)) {
        state.alpha = picture->alpha();
        state.path = picture->path();
    } else if (auto *text = qobject_cast<TextLayer *>(layer)) {
        state.fontInfo = text->fontInfo();
        state.text = text->text();
    } else if (auto *camera = qobject_cast<CameraLayer *>(layer)) {
        state.alpha = camera->alpha();
        state.cameraParam = camera->cameraParam();
    } else if (auto *game = qobject_cast<GamePicLayer *>(layer)) {
        state.alpha = game->alpha();
    }
    const CMLayer *twin = m_compositor ? m_compositor->layerOfItem(layer) : nullptr;
    state.name = twin ? twin->name() : layer->name();
    state.combine = twin ? twin->isCombine() : layer->isVisible();
    return state;
}

std::unique_ptr<BasicLayerData> PreviewContainer::_snapshot(BasicLayer *layer) const
{
    const LayerState state = _itemState(layer);
    std::unique_ptr<BasicLayerData> record;
    switch (state.type) {
    case LT_PICTURE: {
        auto data = std::make_unique<PicLayerData>();
        data->alpha = state.alpha;
        data->path = state.path;
        record = std::move(data);
        break;
    }
    case LT_TEXT: {
        auto data = std::make_unique<TextLayerData>();
        data->font = state.fontInfo.font();
        data->color = state.fontInfo.color();
        data->text = state.text;
        if (const QGraphicsItem *parent = layer->parentItem())
            data->textRect = parent->boundingRect();
        record = std::move(data);
        break;
    }
    case LT_CAMERA: {
        auto data = std::make_unique<CameraLayerData>();
        data->cameraParam = state.cameraParam;
        data->alpha = state.alpha;
        record = std::move(data);
        break;
    }
    default:
        return nullptr;
    }
    record->layer = layer;
    record->geometry = state.geometry;
    record->canEditSize = true;
    return record;
}

void PreviewContainer::_openEditor(BasicLayer *layer, std::unique_ptr<BasicLayerData> record,
                                   QPointer<UIBaseWindow> *slot)
{
    ILayerEditorFactory *factory = m_editors;
    if (!factory) {
        // Without editors the layer simply stays as it is (a new one stays pending).
        logInfo(L"PreviewContainer::on_editLayer no editor installed for type %d.",
                layer->layerType());
        setActiveLayer(layer);
        return;
    }
    if (m_pendingData) {
        // One edit at a time: an open editor works on the pending record, so a new edit ends
        // the one before as its Cancel would, before the record is replaced.
        const QPointer<BasicLayer> guard(layer);
        for (const QPointer<UIBaseWindow> &open : {m_picEditor, m_textEditor, m_cameraEditor}) {
            if (open)
                open->close();
        }
        if (!guard)
            return;
        if (m_pendingData) {
            logWarning(L"PreviewContainer::on_editLayer another edit is still open; refused.");
            return;
        }
    }
    ILayerEditor *layerEditor = factory->createEditor(layer->layerType(), graphicsView());
    if (!layerEditor) {
        logWarning(L"PreviewContainer::on_editLayer no editor for type %d.", layer->layerType());
        return;
    }
    UIBaseWindow *editor = layerEditor->window();
    *slot = editor;
    m_pendingData = std::move(record);
    m_rollback = _itemState(layer);
    // An editor whose layer goes away (deleted from its menu, the layer manager or the host)
    // has nothing left to edit.
    connect(layer, &QObject::destroyed, editor, [editor] {
        if (editor->isVisible())
            editor->close();
    });
    const bool cameraOrder = layer->layerType() == LT_CAMERA;
    const auto connectAndActivate = [&] {
        setActiveLayer(layer);
        QPointer<PreviewContainer> self(this);
        layerEditor->connectEnds(
            this,
            [self](BasicLayerData *data) {
                if (self)
                    self->on_Frames_confirmed(data);
            },
            [self](BasicLayerData *data) {
                if (self)
                    self->on_Frames_discarded(data);
            });
    };
    // Filling the editor asks the host (cameras, sizes), whose answer may delete the window.
    const QPointer<UIBaseWindow> alive(editor);
    if (cameraOrder) {
        connectAndActivate();
        layerEditor->setLayerData(m_pendingData.get());
    } else {
        layerEditor->setLayerData(m_pendingData.get());
        connectAndActivate();
    }
    if (!alive)
        return;
    // The press that asked for the editor (a double click) gets no release: the modal window
    // takes it. Let go of the mouse now, or the layer would follow it after the editor closes.
    if (QGraphicsScene *graphics = scene()) {
        if (QGraphicsItem *grabber = graphics->mouseGrabberItem())
            grabber->ungrabMouse();
    }
    editor->showModalAsync(true, true);
    if (cameraOrder)
        update();
}

void PreviewContainer::editPicLayer(BasicLayer *layer)
{
    if (!layer)
        return;
    _openEditor(layer, _snapshot(layer), &m_picEditor);
}

void PreviewContainer::editTextLayer(BasicLayer *layer)
{
    if (!layer)
        return;
    _openEditor(layer, _snapshot(layer), &m_textEditor);
}

void PreviewContainer::editCameraLayer(BasicLayer *layer)
{
    if (!layer)
        return;
    _openEditor(layer, _snapshot(layer), &m_cameraEditor);
}

void PreviewContainer::on_Frames_confirmed(BasicLayerData *layerData)
{
    logInfo(L"PreviewContainer::on_Frames_confirmed");
    // Only the open edit's record counts: a late word from an editor that was replaced would
    // name a record that is gone.
    if (!layerData || layerData != m_pendingData.get())
        return;
    auto *layer = static_cast<BasicLayer *>(layerData->layer); // the scene hands out only its own
    if (m_closing || !hasLayer(layer)) {
        _endEdit();
        return;
    }
    const bool added = layer->state() == BasicLayer::StatePending;
    if (added && m_compositor) {
        const QRectF r = layer->geometry();
        CMLayer *twin = nullptr;
        if (auto *picture = qobject_cast<PicLayer *>(layer)) {
            const auto *record = static_cast<const PicLayerData *>(layerData);
            if (layerData->type == LT_PICTURE &&
                (record->path.isEmpty() || !picture->hasPicture())) {
                // No picture chosen (or none that reads): a layer without one makes no sense,
                // so ask again.
                m_pendingData.reset();
                m_rollback.reset();
                editPicLayer(layer);
                layer->setState(BasicLayer::StatePending);
                return;
            }
            layer->setResizable(layerData->canEditSize);
        }
        if (layer->layerType() == LT_PICTURE || layer->layerType() == LT_TEXT) {
            LayerState state = _itemState(layer);
            state.geometry = QRectF(state.topLeft(), QSizeF(state.size()));
            state.name.clear(); // the compositor numbers it
            twin = m_compositor->addLayer(state);
            // A text's twin takes the item's own rectangle, which sizes itself to the text.
            if (twin && state.type == LT_TEXT)
                twin->onGeometryChanged(r);
        }
        if (auto *linked = qobject_cast<CMBasicLayer *>(twin))
            linked->setUILayer(layer);
        if (m_relayout)
            _relayoutAll();
        layer->setState(BasicLayer::StateNormal);
    }
    setActiveLayer(layer);
    if (added) {
        // The camera's twin exists since the layer was added; the others' since just now.
        if (m_compositor && m_compositor->layerOfItem(layer))
            _record(new AddLayerCommand(this, undoKeyOf(layer), _itemState(layer), _stackKeys()));
    } else if (m_rollback) {
        const LayerState after = _itemState(layer);
        if (after != *m_rollback)
            _record(new EditLayerCommand(this, undoKeyOf(layer), *m_rollback, after));
    }
    _endEdit();
}

void PreviewContainer::on_Frames_discarded(BasicLayerData *layerData)
{
    logInfo(L"PreviewContainer::on_Frames_discarded");
    if (!layerData || layerData != m_pendingData.get())
        return;
    auto *layer = static_cast<BasicLayer *>(layerData->layer); // the scene hands out only its own
    // Closing the scene closes its editors; the layers go with it.
    if (m_closing || !hasLayer(layer)) {
        _endEdit();
        return;
    }
    QPointer<PreviewContainer> self(this);
    if (layer->state() == BasicLayer::StatePending) {
        if (layer->layerType() == LT_CAMERA && m_controller) {
            m_controller->closeCamera();
            if (!self)
                return;
        }
        onDeleteLayer(layer);
        if (!self)
            return;
    } else if (m_rollback) {
        // Back to what the layer was when the editor opened, the value the editor never saw:
        // the editor's own record holds its last text, rectangle and choices.
        const LayerState before = *m_rollback;
        _restoreState(layer, before);
        if (!self)
            return;
    }
    _endEdit();
}

void PreviewContainer::_restoreState(BasicLayer *layer, const LayerState &state)
{
    QPointer<BasicLayer> guard(layer);
    if (auto *picture = qobject_cast<PicLayer *>(layer)) {
        picture->setPicPath(state.path, true);
        picture->setAlpha(state.alpha);
        picture->setGeometryAndNotify(state.geometry);
    } else if (auto *camera = qobject_cast<CameraLayer *>(layer)) {
        // Another camera asks the host to open it, and the host may call back.
        camera->on_CameraParamChanged(state.cameraParam);
        if (!guard)
            return;
        camera->setAlpha(state.alpha);
        // A camera of another shape may have refitted the item.
        camera->setGeometryAndNotify(state.geometry);
    } else if (auto *text = qobject_cast<TextLayer *>(layer)) {
        text->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        text->setGeometryAndNotify(state.geometry);
        // Measured again: the state's size is the text's at the output of its time, and the
        // output may have changed since.
        text->on_fontOrColorChanged(state.fontInfo, state.text);
    }
    if (!guard)
        return;
    // The state may come from a larger scene: the output may have shrunk since it was taken.
    _bringInside(guard);
    guard->update();
}

void PreviewContainer::_endEdit()
{
    m_pendingData.reset();
    m_rollback.reset();
    if (!m_closing)
        setFocus(Qt::OtherFocusReason);
}
