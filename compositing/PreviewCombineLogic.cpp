#include "PreviewCombineLogic.h"

#include "CMCameraLayer.h"
#include "CMGamepicLayer.h"
#include "CMPicLayer.h"
#include "CMTextLayer.h"
#include "CrossThreadEvent.h"
#include "FrameContext.h"
#include "FrameSize.h"
#include "ILayerScene.h"
#include "IPreviewController.h"
#include "Log.h"
#include "LogThrottle.h"
#include "PixelRows.h"
#include "PreviewCenterData.h"
#include "PushedFrame.h"
#include "UpdateGameLayerUIRectEvent.h"

#include <appcommon/ZqCSAutoLocker.h>

PreviewCombineLogic::PreviewCombineLogic(const QSizeF &sceneSize, IPreviewController *controller,
                                         QObject *parent)
    : BasicPreviewCombine(controller, parent, sceneSize)
    , m_sender(controller)
{}

PreviewCombineLogic::~PreviewCombineLogic()
{
    unInit();
}

void PreviewCombineLogic::init()
{
    logInfo(L"PreviewCombineLogic::init");
    if (IPreviewController *host = controller())
        host->gameVideoInput().connect(this, &PreviewCombineLogic::onGameVideoData);
    m_sender.start();
    m_initialised = true;
}

void PreviewCombineLogic::unInit()
{
    logInfo(L"PreviewCombineLogic::unInit");
    // First no more game frames: this also waits for a composition running on a capture thread.
    disconnect_all();
    {
        const ZqCSAutoLocker locker(&m_sender.lock());
        const QList<QPointer<CMLayer>> layers = _takeLayers();
        for (const QPointer<CMLayer> &layer : layers)
            delete layer.data();
    }
    m_sender.stop();
    m_initialised = false;
}

void PreviewCombineLogic::onContainerClosed()
{
    m_container = nullptr;
    m_containerObject = nullptr;
    BasicPreviewCombine::onContainerClosed();
}

void PreviewCombineLogic::setVideoSize(int width, int height)
{
    PreviewCenterData *data = centerData();
    if (!data)
        return;
    if (!FrameSize::isComposable(width, height)) {
        logWarning(L"PreviewCombineLogic::setVideoSize invalid size width=%d, height=%d ignored.",
                   width, height);
        return;
    }
    const QSize size(width, height);
    if (data->videoSize() == size)
        return;
    data->setVideoSize(size);
    m_sender.announceOutputSize(size);
}

void PreviewCombineLogic::restartSender()
{
    m_sender.stop();
    m_sender.start();
}

CMLayer *PreviewCombineLogic::addLayer(const LayerState &state)
{
    switch (state.type) {
    case LT_PICTURE:
        return _addPicLayer(state);
    case LT_TEXT:
        return _addTextLayer(state);
    case LT_CAMERA:
        return _addCameraLayer(state);
    case LT_GAMEVIDEO:
        return _addGamePicLayer(state);
    default:
        logWarning(L"PreviewCombineLogic::addLayer type %d is no layer; nothing added.",
                   state.type);
        return nullptr;
    }
}

namespace {

LayerState positionalState(int type, const QPoint &pos, const QSize &size, bool combine, int alpha,
                           const QString &name)
{
    LayerState state(type);
    state.geometry = QRectF(pos, QSizeF(size));
    state.combine = combine;
    state.alpha = alpha;
    state.name = name;
    return state;
}

// The rectangle, opacity and combine flag of a layer with an opacity of its own.
template<typename Layer>
void takeOver(Layer *layer, const LayerState &state)
{
    layer->onAlphaChanged(state.alpha);
    layer->onGeometryChanged(state.geometry);
    layer->setCombine(state.combine);
}

void logAdd(const wchar_t *what, const LayerState &state)
{
    const QPoint pos = state.topLeft();
    const QSize size = state.size();
    logInfo(L"PreviewCombineLogic::%ls Pos.x=%d, pos.y=%d, size.width=%d, size.height=%d", what,
            pos.x(), pos.y(), size.width(), size.height());
}

} // namespace

CMLayer *PreviewCombineLogic::addImageLayer(const QString &path, bool canEditSize,
                                            const QPoint &pos, bool combine, const QSize &size,
                                            int alpha, const QString &name)
{
    LayerState state = positionalState(LT_PICTURE, pos, size, combine, alpha, name);
    state.path = path;
    state.canEditSize = canEditSize;
    return addLayer(state);
}

CMLayer *PreviewCombineLogic::addCameraLayer(const QPoint &pos, bool combine, const QSize &size,
                                             int alpha, const QString &deviceName,
                                             const QSize &captureSize, const QString &name,
                                             bool flag, unsigned int keyColor, float sensitivity,
                                             float blend)
{
    LayerState state = positionalState(LT_CAMERA, pos, size, combine, alpha, name);
    state.cameraParam =
        CameraParam::from(deviceName, captureSize, keyColor, sensitivity, blend, flag);
    return addLayer(state);
}

CMLayer *PreviewCombineLogic::addTextLayer(const FontInfoConfig &config, const QString &text,
                                           const QPoint &pos, bool combine, const QString &name)
{
    LayerState state = positionalState(LT_TEXT, pos, QSize(0, 0), combine, 100, name);
    state.fontInfo = config;
    state.text = text;
    return addLayer(state);
}

CMLayer *PreviewCombineLogic::addTextLayer(const QFont &font, const QColor &color,
                                           const QString &text, const QPoint &pos, bool combine,
                                           const QString &name)
{
    FontInfoConfig config;
    config.setFont(font);
    config.setColor(color);
    return addTextLayer(config, text, pos, combine, name);
}

CMLayer *PreviewCombineLogic::addGameVideoLayer(const QPoint &pos, bool combine, const QSize &size,
                                                int alpha, const QString &name)
{
    return addLayer(positionalState(LT_GAMEVIDEO, pos, size, combine, alpha, name));
}

CMLayer *PreviewCombineLogic::_addPicLayer(const LayerState &state)
{
    const QPoint pos = state.topLeft();
    const QSize size = state.size();
    logInfo(L"PreviewCombineLogic::addImageLayer Path=%ls, pos.x=%d, pos.y=%d, size.width=%d, "
            L"size.height=%d",
            state.path.toStdWString().c_str(), pos.x(), pos.y(), size.width(), size.height());
    auto *layer = new CMPicLayer;
    layer->setCanEditSize(state.canEditSize);
    takeOver(layer, state);
    layer->onPicChanged(state.path);
    _finishAdd(layer, state.name.isEmpty() ? tr("pic %1").arg(nextLayerNumber(LT_PICTURE) + 1)
                                           : state.name);
    return layer;
}

CMLayer *PreviewCombineLogic::_addCameraLayer(const LayerState &state)
{
    logAdd(L"addCameraLayer", state);
    auto *layer = qobject_cast<CMCameraLayer *>(findCameraLayer());
    const bool reused = layer != nullptr;
    if (!layer)
        layer = new CMCameraLayer(controller());
    takeOver(layer, state);
    if (!reused)
        _finishAdd(layer, state.name);
    else if (!state.name.isEmpty())
        layer->setName(state.name); // already listed: only the settings change
    // Last, because it asks the host to open the camera: its handler may unInit, which
    // deletes the layer.
    const QPointer<CMCameraLayer> guard(layer);
    layer->setCameraParam(state.cameraParam);
    return guard.data();
}

CMLayer *PreviewCombineLogic::_addTextLayer(const LayerState &state)
{
    const QPoint pos = state.topLeft();
    logInfo(L"PreviewCombineLogic::addTextLayer Text=%ls, pos.x=%d, pos.y=%d",
            state.text.toStdWString().c_str(), pos.x(), pos.y());
    auto *layer = new CMTextLayer;
    layer->setFontInfo(state.fontInfo);
    layer->setText(state.text);
    // The text's item sizes itself to the text; until it is linked the layer has no width.
    layer->onGeometryChanged(QRectF(state.geometry.topLeft(), QSizeF(0, 0)));
    layer->setCombine(state.combine);
    _finishAdd(layer,
               state.name.isEmpty() ? tr("text %1").arg(nextLayerNumber(LT_TEXT) + 1) : state.name);
    return layer;
}

CMLayer *PreviewCombineLogic::_addGamePicLayer(const LayerState &state)
{
    logAdd(L"addGameVideoLayer", state);
    auto *layer = new CMGamepicLayer(controller());
    takeOver(layer, state);
    // The game layer is known as "gamepic" to Qt (object name), but its own name stays what the
    // caller gave: the stored default stack carries no name at all.
    layer->setObjectName(QStringLiteral("gamepic"));
    _finishAdd(layer, state.name);
    return layer;
}

void PreviewCombineLogic::_finishAdd(CMLayer *layer, const QString &name)
{
    layer->setName(name);
    layer->setZOrder(layerCount());
    _appendLayer(layer);
}

ILayerScene *PreviewCombineLogic::scene() const
{
    return m_containerObject ? m_container : nullptr;
}

bool PreviewCombineLogic::loadUI(ILayerScene *container)
{
    logInfo(L"PreviewCombineLogic::loadUI");
    if (!container || !container->sceneObject()) {
        logError(L"PreviewCombineLogic::loadUI Container is null.");
        return false;
    }
    m_container = container;
    m_containerObject = container->sceneObject();
    const QList<QPointer<CMLayer>> snapshot = layers();
    for (const QPointer<CMLayer> &layer : snapshot) {
        // Creating an item runs scene code, which may close the scene: check before each.
        if (!layer || layer->isDeleted() || !scene())
            continue;
        if (auto *linkable = qobject_cast<CMBasicLayer *>(layer.data()))
            _genLayer(linkable, container);
    }
    Q_EMIT sigRelayoutAll();
    return !snapshot.isEmpty();
}

void PreviewCombineLogic::_genLayer(CMBasicLayer *layer, ILayerScene *container)
{
    logInfo(L"PreviewCombineLogic::_genLayer type=%d", layer->layerType());
    const QPointer<CMBasicLayer> guard(layer);
    LayerItem *item = container->addLayer(layer->state());
    if (!guard)
        return;
    if (!item) {
        logError(L"PreviewCombineLogic::_genLayer Create ui layer failed!");
        // A picture that no longer reads (the scene told the user): no layer the preview lacks.
        if (layer->layerType() == LT_PICTURE)
            markLayerDeleted(layer->layerId());
        return;
    }
    // Creating a camera item may reach the host, which may have the layer deleted.
    if (!layer->isDeleted())
        layer->setUILayer(item);
}

void PreviewCombineLogic::updateGameLayerUIRect(int width, int height)
{
    if (CMLayer *layer = fitGameLayer(width, height))
        CrossThreadEvent::post(this, new UpdateGameLayerUIRectEvent(layer, layer->uiRect()));
}

void PreviewCombineLogic::clearGameVideoSize()
{
    const ZqCSAutoLocker locker(&m_sender.lock());
    if (PreviewCenterData *data = centerData())
        data->setGameVideoSize(QSize(0, 0));
}

bool PreviewCombineLogic::_fitIsCurrent()
{
    // A new preview area cleared the game frames' size after the fit was made: the fit is for
    // the old area, and the next frame fits the layer to the new one. Under the composition
    // lock, so a frame's fit and the size it records are seen together.
    const ZqCSAutoLocker locker(&m_sender.lock());
    const PreviewCenterData *data = centerData();
    return !data || !data->gameVideoSize().isEmpty();
}

void PreviewCombineLogic::onGameVideoData(const PushedFrame &frame)
{
    // Fit, composition and purge form one step under the composition lock, so a layer can
    // leave the list only while no composition is using it.
    const ZqCSAutoLocker locker(&m_sender.lock());
    updateGameLayerUIRect(frame.width(), frame.height());
    PreviewCenterData *centralData = centerData();
    if (centralData && centralData->gameVideoSize() != frame.size() && layerCount() > 0)
        centralData->setGameVideoSize(frame.size());
    _combinePreviewData(frame);
}

void PreviewCombineLogic::_combinePreviewData(const PushedFrame &game)
{
    const QSizeF scene = sceneSize();
    if (scene.width() <= 0 || scene.height() <= 0) {
        static LogThrottle s_throttle;
        if (s_throttle.shouldLog()) {
            logError(L"PreviewCombineLogic::_combinePreviewData Constainer's width or height "
                     L"equals zero.");
        }
        return;
    }
    PreviewCenterData *centralData = centerData();
    if (!centralData)
        return;
    FrameContext context;
    context.size = centralData->videoSize();
    context.scaleX = context.size.width() / scene.width();
    context.scaleY = context.size.height() / scene.height();
    context.game = &game;
    context.kernels = &PixelRows::inUse();
    QImage *frame = m_sender.beginFrame(context.size, game.stamp());
    if (!frame)
        return;
    bool anyDeleted = false;
    QList<QPointer<CMLayer>> snapshot = layers();
    m_composer.compose(snapshot, context, frame, &anyDeleted);
    m_sender.sendFrame();
    _releaseSnapshot(&snapshot);
    removeDeletedLayers(anyDeleted);
}

bool PreviewCombineLogic::event(QEvent *event)
{
    CrossThreadEvent::received(event);
    if (event->type() == UpdateGameLayerUIRectEvent::eventType()) {
        auto *update = static_cast<UpdateGameLayerUIRectEvent *>(event);
        auto *layer = qobject_cast<CMBasicLayer *>(update->layer());
        LayerItem *item = layer ? layer->uiLayer() : nullptr;
        if (item && !_fitIsCurrent())
            item = nullptr;
        if (item) {
            const QRectF rect = update->rect();
            item->setGeometry(rect);
            if (rect.height() > 0)
                item->setAspectRatio(rect.width() / rect.height());
            // The item keeps whole units: when that leaves it where it was, it reports
            // nothing, yet the layer must compose what the preview shows.
            if (item->geometry() != layer->uiRect())
                layer->onGeometryChanged(item->geometry());
        }
        return true;
    }
    return BasicPreviewCombine::event(event);
}
