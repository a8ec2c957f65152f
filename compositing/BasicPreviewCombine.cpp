#include "BasicPreviewCombine.h"

#include "CMBasicLayer.h"
#include "CMLayer.h"
#include "CrossThreadEvent.h"
#include "IPreviewController.h"
#include "LayerItem.h"
#include "Log.h"
#include "PreviewCenterData.h"

#include <QStringList>

BasicPreviewCombine::BasicPreviewCombine(IPreviewController *controller, QObject *parent,
                                         const QSizeF &sceneSize)
    : QObject(parent)
    , m_sceneSize(sceneSize)
    , m_controller(controller)
    // The central data outlives the compositor: the controller deletes us before it.
    , m_centerData(controller ? controller->centerData() : nullptr)
{}

BasicPreviewCombine::~BasicPreviewCombine() = default;

void BasicPreviewCombine::startPreview()
{
    logInfo(L"BasicPreviewCombine::startPreview");
    m_previewing = true;
    const QList<QPointer<CMLayer>> snapshot = layers();
    for (const QPointer<CMLayer> &layer : snapshot) {
        if (layer)
            layer->setPreviewing(true);
    }
}

void BasicPreviewCombine::stopPreview()
{
    logInfo(L"BasicPreviewCombine::stopPreview");
    m_previewing = false;
    const QList<QPointer<CMLayer>> snapshot = layers();
    for (const QPointer<CMLayer> &layer : snapshot) {
        if (layer)
            layer->setPreviewing(false);
    }
}

QSizeF BasicPreviewCombine::sceneSize() const
{
    const std::lock_guard<std::mutex> locker(m_layersLock);
    return m_sceneSize;
}

void BasicPreviewCombine::setSceneSize(const QSizeF &size)
{
    const std::lock_guard<std::mutex> locker(m_layersLock);
    m_sceneSize = size;
}

QList<QPointer<CMLayer>> BasicPreviewCombine::layers() const
{
    const std::lock_guard<std::mutex> locker(m_layersLock);
    return m_layers;
}

int BasicPreviewCombine::layerCount() const
{
    const std::lock_guard<std::mutex> locker(m_layersLock);
    return int(m_layers.size());
}

void BasicPreviewCombine::forEachLayer(const std::function<void(IStoredLayer &)> &visit) const
{
    const QList<QPointer<CMLayer>> snapshot = layers();
    for (const QPointer<CMLayer> &layer : snapshot) {
        if (layer && !layer->isDeleted())
            visit(*layer);
    }
}

CMLayer *BasicPreviewCombine::layerById(quint32 layerId) const
{
    const QList<QPointer<CMLayer>> snapshot = layers();
    for (const QPointer<CMLayer> &layer : snapshot) {
        if (layer && layer->layerId() == layerId)
            return layer;
    }
    return nullptr;
}

CMLayer *BasicPreviewCombine::findCameraLayer() const
{
    CMLayer *found = nullptr;
    const QList<QPointer<CMLayer>> snapshot = layers();
    for (const QPointer<CMLayer> &layer : snapshot) {
        if (layer && !layer->isDeleted() && layer->layerType() == LT_CAMERA)
            found = layer;
    }
    return found;
}

CMLayer *BasicPreviewCombine::fitGameLayer(int width, int height)
{
    if (!m_centerData || width <= 0 || height <= 0)
        return nullptr;
    if (m_centerData->gameVideoSize() == QSize(width, height))
        return nullptr;
    CMLayer *game = nullptr;
    {
        QList<QPointer<CMLayer>> snapshot = layers();
        for (const QPointer<CMLayer> &layer : std::as_const(snapshot)) {
            if (layer && layer->layerType() == LT_GAMEVIDEO) {
                game = layer;
                break;
            }
        }
        _releaseSnapshot(&snapshot);
    }
    if (!game)
        return nullptr;
    const QSizeF area(m_centerData->previewSize());
    if (area.width() <= 0 || area.height() <= 0)
        return nullptr;
    const double videoRatio = double(width) / double(height);
    const double areaRatio = area.width() / area.height();
    double fittedWidth = 0;
    double fittedHeight = 0;
    if (areaRatio < videoRatio) {
        fittedWidth = area.width();
        fittedHeight = area.width() * height / width;
    } else {
        fittedHeight = area.height();
        fittedWidth = area.height() * width / height;
    }
    game->onGeometryChanged(QRectF((area.width() - fittedWidth) * 0.5,
                                   (area.height() - fittedHeight) * 0.5, fittedWidth,
                                   fittedHeight));
    return game;
}

int BasicPreviewCombine::nextLayerNumber(int type) const
{
    int largest = 0;
    const QList<QPointer<CMLayer>> snapshot = layers();
    for (const QPointer<CMLayer> &layer : snapshot) {
        if (!layer || layer->isDeleted() || layer->layerType() != type)
            continue;
        const QStringList words = layer->name().split(QLatin1Char(' '));
        if (words.size() < 2)
            continue;
        bool ok = false;
        const int number = words.at(1).toInt(&ok, 10);
        if (ok && number > largest)
            largest = number;
    }
    return largest;
}

CMLayer *BasicPreviewCombine::layerOfItem(const LayerItem *item) const
{
    CMLayer *layer = _findByUILayer(item);
    return layer && !layer->isDeleted() ? layer : nullptr;
}

CMLayer *BasicPreviewCombine::_findByUILayer(const LayerItem *item) const
{
    if (!item)
        return nullptr;
    const QList<QPointer<CMLayer>> snapshot = layers();
    for (const QPointer<CMLayer> &layer : snapshot) {
        auto *basic = qobject_cast<CMBasicLayer *>(layer.data());
        if (basic && basic->uiLayer() == item)
            return basic;
    }
    return nullptr;
}

void BasicPreviewCombine::deleteCMLayerByUILayer(LayerItem *item)
{
    logInfo(L"BasicPreviewCombine::deleteCMLayerByUILayer Type=%d", item ? item->layerType() : -1);
    if (CMLayer *layer = _findByUILayer(item)) {
        layer->markDeleted();
        Q_EMIT sigLayersChanged();
    }
}

void BasicPreviewCombine::markLayerDeleted(quint32 layerId)
{
    if (CMLayer *layer = layerById(layerId)) {
        layer->markDeleted();
        Q_EMIT sigLayersChanged();
    }
}

void BasicPreviewCombine::removeDeletedLayers(bool anyDeleted)
{
    if (!anyDeleted)
        return;
    QList<CMLayer *> purged;
    {
        const std::lock_guard<std::mutex> locker(m_layersLock);
        // A fresh list instead of erasing in place: the GUI thread may still read a snapshot
        // that shares the old one.
        QList<QPointer<CMLayer>> kept;
        kept.reserve(m_layers.size());
        for (const QPointer<CMLayer> &entry : std::as_const(m_layers)) {
            CMLayer *layer = entry.data();
            if (layer && layer->isDeleted())
                purged.append(layer);
            else
                kept.append(entry);
        }
        if (!purged.isEmpty())
            m_layers = std::move(kept);
    }
    // Layers belong to the GUI thread; deleteLater is safe to call from any thread.
    for (CMLayer *layer : std::as_const(purged))
        CrossThreadEvent::handOver(layer);
}

void BasicPreviewCombine::_releaseSnapshot(QList<QPointer<CMLayer>> *snapshot) const
{
    const std::lock_guard<std::mutex> locker(m_layersLock);
    *snapshot = {};
}

bool BasicPreviewCombine::moveLayer(quint32 layerId, int index)
{
    QList<QPointer<CMLayer>> ordered;
    {
        const std::lock_guard<std::mutex> locker(m_layersLock);
        int from = -1;
        for (int i = 0; i < m_layers.size(); ++i) {
            if (m_layers.at(i) && m_layers.at(i)->layerId() == layerId) {
                from = i;
                break;
            }
        }
        if (from < 0)
            return false;
        m_layers.move(from, qBound(0, index, int(m_layers.size()) - 1));
        ordered = m_layers;
    }
    for (int i = 0; i < ordered.size(); ++i) {
        if (ordered.at(i))
            ordered.at(i)->setZOrder(i);
    }
    Q_EMIT sigLayersChanged();
    return true;
}

void BasicPreviewCombine::onContainerClosed()
{
    const QList<QPointer<CMLayer>> snapshot = layers();
    for (const QPointer<CMLayer> &layer : snapshot) {
        if (layer)
            layer->detachUILayer();
    }
}

void BasicPreviewCombine::on_toLayerFirst(LayerItem *item)
{
    CMLayer *layer = _findByUILayer(item);
    if (layer && !layer->isDeleted())
        Q_EMIT sigLayoutsMove(layer->layerId(), 0);
}

void BasicPreviewCombine::on_toLayerLast(LayerItem *item)
{
    CMLayer *layer = _findByUILayer(item);
    if (layer && !layer->isDeleted())
        Q_EMIT sigLayoutsMove(layer->layerId(), 1);
}

void BasicPreviewCombine::_appendLayer(CMLayer *layer)
{
    {
        const std::lock_guard<std::mutex> locker(m_layersLock);
        m_layers.append(QPointer<CMLayer>(layer));
    }
    connect(layer, &CMLayer::sigChanged, this, &BasicPreviewCombine::sigLayersChanged);
    Q_EMIT sigLayersChanged();
}

QList<QPointer<CMLayer>> BasicPreviewCombine::_takeLayers()
{
    const std::lock_guard<std::mutex> locker(m_layersLock);
    return std::exchange(m_layers, {});
}
