// The editing side of the preview scene: opening a layer's editor with a snapshot record, and
// keeping or rolling back what the editor did.

#include "PreviewContainer.h"

#include "CameraLayer.h"
#include "CameraLayerData.h"
#include "CMBasicLayer.h"
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

std::unique_ptr<BasicLayerData> PreviewContainer::_snapshot(BasicLayer *layer) const
{
    std::unique_ptr<BasicLayerData> record;
    if (auto *picture = qobject_cast<PicLayer *>(layer)) {
        auto data = std::make_unique<PicLayerData>();
        data->alpha = picture->alpha();
        data->path = picture->path();
        record = std::move(data);
    } else if (auto *text = qobject_cast<TextLayer *>(layer)) {
        auto data = std::make_unique<TextLayerData>();
        const FontInfoConfig info = text->fontInfo();
        data->font = info.font();
        data->color = info.color();
        data->text = text->text();
        if (const QGraphicsItem *parent = layer->parentItem())
            data->textRect = parent->boundingRect();
        record = std::move(data);
    } else if (auto *camera = qobject_cast<CameraLayer *>(layer)) {
        auto data = std::make_unique<CameraLayerData>();
        data->cameraParam = camera->cameraParam();
        data->alpha = camera->alpha();
        record = std::move(data);
    } else {
        return nullptr;
    }
    record->layer = layer;
    record->geometry = layer->geometry();
    record->canEditSize = true;
    return record;
}

void PreviewContainer::_openEditor(BasicLayer *layer, std::unique_ptr<BasicLayerData> record,
                                   QPointer<UIBaseWindow> *slot)
{
    ILayerEditorFactory *factory = m_services.editors;
    if (!factory) {
        // Without editors the layer simply stays as it is (a new one stays pending).
        logInfo(L"PreviewContainer::on_editLayer no editor installed for type %d.",
                layer->layerType());
        setActiveLayer(layer);
        return;
    }
    UIBaseWindow *editor = factory->createEditor(layer->layerType(), graphicsView());
    if (!editor) {
        logWarning(L"PreviewContainer::on_editLayer no editor for type %d.", layer->layerType());
        return;
    }
    *slot = editor;
    m_pendingData = std::move(record);
    const bool cameraOrder = layer->layerType() == LT_CAMERA;
    const auto connectAndActivate = [&] {
        setActiveLayer(layer);
        QPointer<PreviewContainer> self(this);
        factory->connectEditor(
            editor, this,
            [self](BasicLayerData *data) {
                if (self)
                    self->on_Frames_confirmed(data);
            },
            [self](BasicLayerData *data) {
                if (self)
                    self->on_Frames_discarded(data);
            });
    };
    if (cameraOrder) {
        connectAndActivate();
        factory->setEditorData(editor, m_pendingData.get());
    } else {
        factory->setEditorData(editor, m_pendingData.get());
        connectAndActivate();
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
    if (!layerData || !hasLayer(layerData->layer))
        return;
    BasicLayer *layer = layerData->layer;
    if (layer->state() == BasicLayer::StatePending && m_compositor) {
        const QRectF r = layer->geometry();
        const QPoint topLeft(truncated(r.x()), truncated(r.y()));
        CMLayer *twin = nullptr;
        if (auto *picture = qobject_cast<PicLayer *>(layer)) {
            const auto *record = static_cast<const PicLayerData *>(layerData);
            if (layerData->type == LT_PICTURE && record->path.isEmpty()) {
                m_pendingData.reset();
                editPicLayer(layer);
                layer->setState(BasicLayer::StatePending);
                return;
            }
            layer->setResizable(layerData->canEditSize);
            twin = m_compositor->addImageLayer(
                picture->path(), layerData->canEditSize, topLeft, layer->isVisible(),
                QSize(truncated(r.width()), truncated(r.height())), picture->alpha(), QString());
        } else if (auto *text = qobject_cast<TextLayer *>(layer)) {
            twin = m_compositor->addTextLayer(text->fontInfo(), text->text(), topLeft,
                                              layer->isVisible(), QString());
            if (twin)
                twin->onGeometryChanged(r);
        }
        if (auto *linked = qobject_cast<CMBasicLayer *>(twin))
            linked->setUILayer(layer);
        if (m_relayout)
            _relayoutAll();
    }
    setActiveLayer(layer);
    m_pendingData.reset();
    setFocus(Qt::OtherFocusReason);
}

void PreviewContainer::on_Frames_discarded(BasicLayerData *layerData)
{
    logInfo(L"PreviewContainer::on_Frames_discarded");
    if (!layerData || !hasLayer(layerData->layer))
        return;
    BasicLayer *layer = layerData->layer;
    QPointer<PreviewContainer> self(this);
    if (layer->state() == BasicLayer::StatePending) {
        if (layer->layerType() == LT_CAMERA && m_services.controller) {
            m_services.controller->closeCamera();
            if (!self)
                return;
        }
        onDeleteLayer(layer);
        if (!self)
            return;
    } else if (const BasicLayerData *record = m_pendingData.get()) {
        if (auto *picture = qobject_cast<PicLayer *>(layer)) {
            const auto *data = static_cast<const PicLayerData *>(record);
            picture->setPicPath(data->path, true);
            picture->setAlpha(data->alpha);
            picture->setGeometryAndNotify(data->geometry);
        } else if (auto *camera = qobject_cast<CameraLayer *>(layer)) {
            const auto *data = static_cast<const CameraLayerData *>(record);
            camera->on_CameraParamChanged(data->cameraParam);
            camera->setAlpha(data->alpha);
        } else if (auto *text = qobject_cast<TextLayer *>(layer)) {
            const auto *data = static_cast<const TextLayerData *>(record);
            text->setInfo(data->text, data->font, data->color);
            text->setGeometryAndNotify(data->geometry);
            text->notifyInfo();
        }
    }
    if (!self)
        return;
    m_pendingData.reset();
    setFocus(Qt::OtherFocusReason);
}
