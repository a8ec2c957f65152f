#include "PreviewContainer.h"

#include "BasicLayer.h"
#include "CameraLayer.h"
#include "CMBasicLayer.h"
#include "CMCameraLayer.h"
#include "DeleteLayerCommand.h"
#include "FontInfoConfig.h"
#include "GamePicLayer.h"
#include "ILayerEditorFactory.h"
#include "IPreviewController.h"
#include "Log.h"
#include "PicLayer.h"
#include "PreviewCenterData.h"
#include "PreviewCombineLogic.h"
#include "PreviewWatermark.h"
#include "RegularFile.h"
#include "RelayoutLogic.h"
#include "SceneGeometry.h"
#include "TextLayer.h"

#include <appcommon/TipMessageWindow.h>

#include <QDataStream>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QGraphicsSceneDragDropEvent>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <cmath>

const char *const PreviewContainer::ItemDragFormat = "application/x-gcitemdata";

PreviewContainer *PreviewContainer::createPreviewContainer(QGraphicsObject *parent,
                                                           const QSize &size,
                                                           const Services &services)
{
    logInfo(L"PreviewContainer::createPreviewContainer");
    return new PreviewContainer(parent, size, services);
}

PreviewContainer::PreviewContainer(QGraphicsObject *parent, const QSize &size,
                                   const Services &services)
    : UIControl(nullptr)
    , m_sceneSize(size)
    , m_controller(services.controller)
    , m_editors(services.editors)
    , m_compositor(services.compositor)
    , m_relayout(services.relayout)
{
    setObjectName(QStringLiteral("rootItem"));
    setLayout(FreeLayout); // the layer items keep the geometry they are given
    setAcceptDrops(true);
    setAcceptHoverEvents(true);
    setDragFlag(DragChildren);
    setAttribute(Qt::WA_DeleteOnClose);
    setBackgroundColor(QColor(0, 0, 0, 255));
    setFocusPolicy(Qt::ClickFocus);
    // Layers never paint outside the preview area.
    setFlag(ItemClipsChildrenToShape);

    if (auto *control = qobject_cast<UIControl *>(parent)) {
        setParent(control);
        control->setLayout(FreeLayout);
        control->addItem(this);
    } else if (parent) {
        // A host without our GUI library: a child item all the same, scaled to fill it.
        setParentItem(parent);
        if (auto *widget = qobject_cast<QGraphicsWidget *>(parent))
            connect(widget, &QGraphicsWidget::geometryChanged, this,
                    &PreviewContainer::_fillParent);
    }
    m_watermark = new PreviewWatermark(_centerData(), this);
    m_undoStack.setUndoLimit(UndoSteps);
    resizeScene(0, 0, size.width(), size.height());

    if (m_compositor && m_relayout) {
        connect(this, &PreviewContainer::sigToFirstLayer, m_compositor,
                &BasicPreviewCombine::on_toLayerFirst);
        connect(this, &PreviewContainer::sigToLastLayer, m_compositor,
                &BasicPreviewCombine::on_toLayerLast);
        // Once, however many scenes the compositor sees come and go.
        connect(m_compositor, &BasicPreviewCombine::sigLayoutsMove, m_relayout,
                &RelayoutLogic::onCompositorMove, Qt::UniqueConnection);
    }
    if (m_relayout) {
        // Every order and visibility change, whoever asks for it, is recorded for undo.
        connect(m_relayout, &RelayoutLogic::stackReordered, this,
                &PreviewContainer::_onStackReordered);
        connect(m_relayout, &RelayoutLogic::combineChanged, this,
                &PreviewContainer::_onCombineChanged);
    }
}

PreviewContainer::~PreviewContainer()
{
    m_closing = true;
    _closeEditors();
    Q_EMIT sigAboutToClose();
}

void PreviewContainer::detachServices()
{
    if (m_relayout)
        disconnect(m_relayout, nullptr, this, nullptr);
    m_controller = nullptr;
    m_editors = nullptr;
    m_compositor = nullptr;
    m_relayout = nullptr;
}

void PreviewContainer::resizeScene(qreal x, qreal y, qreal w, qreal h)
{
    const QSizeF previous = size();
    setGeometry(QRectF(x, y, w, h));
    setFixSize(QSizeF(w, h));
    if (truncated(previous.width()) == truncated(w) && truncated(previous.height()) == truncated(h))
        return;
    for (BasicLayer *layer : layers())
        layer->fitToWidth(QSize(truncated(w), truncated(h)));
}

void PreviewContainer::setPreviewArea(const QSize &size)
{
    m_sceneSize = size;
    setFixSize(QSizeF(size));
    setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
    _fillParent();
    // The output's size changes with the area: the watermark is painted for the new one.
    m_watermark->update();
    for (BasicLayer *layer : layers())
        _bringInside(layer);
    // A text's size in the scene follows the output's width, which the compositor takes on
    // only after this: the texts are measured again once the host call is over.
    QMetaObject::invokeMethod(
        this,
        [this] {
            for (BasicLayer *layer : layers()) {
                // Measuring a text keeps it inside.
                if (auto *text = qobject_cast<TextLayer *>(layer))
                    text->on_fontOrColorChanged(text->fontInfo(), text->text());
            }
        },
        Qt::QueuedConnection);
}

void PreviewContainer::_bringInside(BasicLayer *layer)
{
    if (layer->layerType() == LT_TEXT) {
        // Its size follows its text: it can only move.
        layer->keepInsideParent();
        return;
    }
    const QSize area(truncated(size().width()), truncated(size().height()));
    if (area.isEmpty())
        return;
    // Too large for the scene: shrunk at its aspect ratio, first to the width, then, when
    // still too high, to the height; then moved in.
    if (layer->geometry().width() > area.width())
        layer->fitToWidth(area);
    const QRectF g = layer->geometry();
    if (g.height() > area.height() && g.height() > 0)
        layer->fitToWidth(QSize(truncated(g.width() * area.height() / g.height()), area.height()));
    layer->keepInsideParent();
}

void PreviewContainer::setLayersEditable(bool editable)
{
    for (BasicLayer *layer : layers())
        layer->setFrameEnabled(editable);
}

QList<BasicLayer *> PreviewContainer::layers() const
{
    QList<BasicLayer *> live;
    live.reserve(m_layers.size());
    for (const QPointer<BasicLayer> &layer : m_layers) {
        if (layer)
            live.append(layer);
    }
    return live;
}

int PreviewContainer::countLayersOfType(int type) const
{
    const QList<BasicLayer *> all = layers();
    return int(std::count_if(all.cbegin(), all.cend(), [type](const BasicLayer *layer) {
        return layer->layerType() == type;
    }));
}

int PreviewContainer::indexOfLayer(const BasicLayer *layer) const
{
    if (!layer)
        return -1;
    return int(layers().indexOf(const_cast<BasicLayer *>(layer)));
}

// Creation -------------------------------------------------------------------------------------

LayerItem *PreviewContainer::addLayer(const LayerState &state)
{
    const QPoint pos = state.topLeft();
    const QSize size = state.size();
    LayerItem *item = nullptr;
    switch (state.type) {
    case LT_PICTURE:
        item = addPicLayer(state.path, state.canEditSize, pos, size, state.alpha, false);
        break;
    case LT_TEXT:
        item = addTextLayer(state.fontInfo, state.text, pos, false);
        break;
    case LT_CAMERA: {
        const CameraParam &camera = state.cameraParam;
        item = addCameraLayer(state.name, pos, size, state.alpha, camera.deviceName,
                              QSize(camera.width, camera.height), false, true, camera.flag,
                              camera.keyColor, camera.sensitivity, camera.blend);
        break;
    }
    case LT_GAMEVIDEO:
        item = addGameVideoLayer(pos, size, state.alpha);
        break;
    default:
        break;
    }
    // A state kept from another output size (a layout saved before the host changed it, an
    // undo across a change) is put inside the scene it comes back to. The game video is
    // fitted to its frames and the area by its own rule.
    auto *layer = qobject_cast<BasicLayer *>(item);
    if (layer && state.type != LT_GAMEVIDEO)
        _bringInside(layer);
    return item;
}

LayerItem *PreviewContainer::addPicLayer(const QString &path, bool canEditSize, const QPoint &pos,
                                         const QSize &size, int alpha, bool isNew)
{
    logInfo(L"PreviewContainer::addPicLayer");
    QImage picture;
    if (!path.isEmpty()) {
        QString error;
        picture = PicLayer::readPicture(path, &error);
        if (picture.isNull()) {
            _refusePicture(path, error);
            return nullptr;
        }
    }
    return _addPicLayer(path, picture, canEditSize, pos, size, alpha, isNew);
}

LayerItem *PreviewContainer::_addPicLayer(const QString &path, const QImage &picture,
                                          bool canEditSize, const QPoint &pos, const QSize &size,
                                          int alpha, bool isNew)
{
    _closeEditors();
    setActiveLayer(nullptr);

    auto *layer = new PicLayer(_centerData(), this);
    layer->setResizable(canEditSize);
    _adoptLayer(layer, isNew ? BasicLayer::StatePending : BasicLayer::StateNormal);

    const bool loaded = !picture.isNull();
    const QSize layerSize = isNew && loaded ? layer->initialSizeFor(picture.size()) : size;
    const QPoint wanted = isNew ? _placeApartFromOthers(pos, layerSize) : pos;
    QPoint position = wanted;
    if (isNew && loaded) {
        const int overflowX = wanted.x() + layerSize.width() - truncated(m_sceneSize.width());
        if (overflowX > 0)
            position.setX(wanted.x() - overflowX);
        const int overflowY = wanted.y() + layerSize.height() - truncated(m_sceneSize.height());
        if (overflowY > 0)
            position.setY(wanted.y() - overflowY);
    }
    layer->setGeometry(QRectF(position, QSizeF(layerSize)));
    if (loaded)
        layer->setPicture(path, picture, isNew);
    if (layerSize.height() > 0)
        layer->setAspectRatio(double(layerSize.width()) / double(layerSize.height()));
    _finishLayer(layer, alpha, true);

    if (isNew) {
        QPointer<PicLayer> guard(layer);
        editPicLayer(layer);
        if (guard)
            guard->setState(BasicLayer::StatePending);
    }
    return layer;
}

void PreviewContainer::_refusePicture(const QString &path, const QString &reason)
{
    logWarning(L"PreviewContainer::addPicLayer %ls cannot be shown (%ls); no layer is added.",
               path.toStdWString().c_str(), reason.toStdWString().c_str());
    _showTip(_unreadablePictureText(QFileInfo(path).fileName()));
}

void PreviewContainer::reportLeftOutPictures(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names.append(QStringLiteral("\"%1\"").arg(QFileInfo(path).fileName()));
    logWarning(L"PreviewContainer::reportLeftOutPictures %d stored picture(s) left out.",
               int(paths.size()));
    _showTip(tr("These pictures of the saved layout cannot be shown (missing, not a picture, or "
                "damaged) and were left out: %1")
                 .arg(names.join(QStringLiteral(", "))));
}

QString PreviewContainer::_unreadablePictureText(const QString &fileName) const
{
    return tr("\"%1\" cannot be shown: it is not a picture, or the picture is damaged.")
        .arg(fileName);
}

LayerItem *PreviewContainer::addTextLayer(const FontInfoConfig &config, const QString &text,
                                          const QPoint &pos, bool isNew)
{
    logInfo(L"PreviewContainer::addTextLayer");
    if (countLayersOfType(LT_TEXT) >= MaxTextLayers) {
        _showTip(tr("You can add five words at most!"));
        return nullptr;
    }
    setActiveLayer(nullptr);
    auto *layer = new TextLayer(_centerData(), this);
    _adoptLayer(layer, isNew ? BasicLayer::StatePending : BasicLayer::StateNormal);

    const QSize measured = layer->textSizeInScene(config.font(), text);
    layer->setInfo(text, config.font(), config.color());
    layer->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    const QSize layerSize(measured.width() + 10, measured.height() + 5);
    layer->setGeometry(QRectF(isNew ? _placeApartFromOthers(pos, layerSize) : pos, layerSize));
    _finishLayer(layer, 100, false);

    if (isNew) {
        QPointer<TextLayer> guard(layer);
        editTextLayer(layer);
        if (guard)
            guard->setState(BasicLayer::StatePending);
    }
    return layer;
}

LayerItem *PreviewContainer::addTextLayer(const QFont &font, const QColor &color,
                                          const QString &text, const QPoint &pos, bool isNew)
{
    FontInfoConfig config;
    config.setFont(font);
    config.setColor(color);
    _closeEditors();
    return addTextLayer(config, text, pos, isNew);
}

LayerItem *PreviewContainer::addCameraLayer(const QString &name, const QPoint &pos,
                                            const QSize &size, int alpha, const QString &device,
                                            const QSize &resolution, bool isNew, bool showTip,
                                            bool flag, unsigned int keyColor, float sensitivity,
                                            float blend)
{
    logInfo(L"PreviewContainer::addCameraLayer");
    _closeEditors();
    for (BasicLayer *existing : layers()) {
        if (existing->layerType() != LT_CAMERA)
            continue;
        logWarning(L"PreviewContainer::addCameraLayer Can not add camera again.");
        if (isNew && showTip)
            _showTip(tr("camera has add."));
        if (!name.isEmpty() && existing)
            existing->setName(name);
        return existing;
    }

    setActiveLayer(nullptr);
    auto *layer = new CameraLayer(_centerData(), this);
    _adoptLayer(layer, isNew ? BasicLayer::StatePending : BasicLayer::StateNormal);

    if (isNew) {
        // Given in output-frame pixels: into the scene by the width ratio, on both axes.
        const PreviewCenterData *data = _centerData();
        const int videoWidth = data ? data->videoSize().width() : 0;
        const double ratio = videoWidth > 0 ? m_sceneSize.width() / videoWidth : 1.0;
        const int w = truncated(size.width() * ratio);
        const int h = truncated(size.height() * ratio);
        layer->setGeometry(QRectF(pos.x() * ratio, pos.y() * ratio, w, h));
        if (h > 0)
            layer->setAspectRatio(double(w) / double(h));
    } else {
        layer->setGeometry(QRectF(pos, QSizeF(size)));
        if (size.height() > 0)
            layer->setAspectRatio(double(size.width()) / double(size.height()));
    }

    const CameraParam param =
        CameraParam::from(device, resolution, keyColor, sensitivity, blend, flag);
    layer->setCameraParam(param);

    // The common tail up to the stacking value; the fit check follows the pairing.
    layer->setFrameEnabled(_layersEditable());
    m_layers.append(layer);
    _connectLayer(layer);
    layer->setAlpha(alpha);
    layer->setZValue(m_layers.size() - 1);
    layer->setName(name);

    QPointer<CameraLayer> guard(layer);
    QPointer<PreviewContainer> self(this);
    if (m_compositor) {
        auto *twin = qobject_cast<CMCameraLayer *>(m_compositor->findCameraLayer());
        if (!twin) {
            LayerState state(LT_CAMERA);
            state.geometry = layer->geometry();
            state.geometry = QRectF(state.topLeft(), QSizeF(state.size()));
            state.combine = layer->isVisible();
            state.alpha = alpha;
            state.cameraParam = param;
            twin = qobject_cast<CMCameraLayer *>(m_compositor->addLayer(state));
        }
        // Creating the twin asks the host to open the camera, and the host may call back.
        if (!self || !guard)
            return guard.data();
        if (twin) {
            twin->setUILayer(layer);
            twin->setName(name);
        }
    }

    if (isNew) {
        editCameraLayer(layer);
        if (guard)
            guard->setState(BasicLayer::StatePending);
    } else {
        layer->setCameraParam(param);
        if (!self || !guard)
            return guard.data();
        layer->setFrameEnabled(_layersEditable());
    }
    if (!self || !guard)
        return guard.data();
    _relayoutAll();
    _fitIfNeeded(layer);
    return layer;
}

LayerItem *PreviewContainer::addGameVideoLayer(const QPoint &pos, const QSize &size, int alpha)
{
    logInfo(L"PreviewContainer::addGameVideoLayer");
    for (BasicLayer *existing : layers()) {
        if (existing->layerType() == LT_GAMEVIDEO) {
            logWarning(L"PreviewContainer::addGameVideoLayer Can not add game layer again.");
            return existing;
        }
    }
    auto *layer = new GamePicLayer(_centerData(), this);
    _adoptLayer(layer, BasicLayer::StateNormal);
    layer->setGeometry(QRectF(pos, QSizeF(size)));
    layer->setFrameEnabled(_layersEditable());
    if (size.height() > 0)
        layer->setAspectRatio(double(size.width()) / double(size.height()));
    _finishLayer(layer, alpha, true);
    return layer;
}

QPoint PreviewContainer::_placeApartFromOthers(const QPoint &wanted, const QSize &size) const
{
    // A new text or picture asked for exactly where another one starts, or under the stream's
    // watermark, would be hidden: it goes one step down and right instead, as far as the scene
    // has room, then starts a new diagonal one step further right.
    constexpr int Step = 20;
    const QRectF watermark = m_watermark ? m_watermark->watermarkRect() : QRectF();
    const auto taken = [this, &size, &watermark](const QPoint &place) {
        if (watermark.intersects(QRectF(place, QSizeF(size))))
            return true;
        const QList<BasicLayer *> all = layers();
        return std::any_of(all.cbegin(), all.cend(), [&place](const BasicLayer *layer) {
            const int type = layer->layerType();
            return (type == LT_TEXT || type == LT_PICTURE) &&
                   QPoint(truncated(layer->pos().x()), truncated(layer->pos().y())) == place;
        });
    };
    const auto fits = [this, &size](const QPoint &place) {
        return place.x() + size.width() <= truncated(m_sceneSize.width()) &&
               place.y() + size.height() <= truncated(m_sceneSize.height());
    };
    QPoint place = wanted;
    int diagonal = 0;
    while (taken(place)) {
        place += QPoint(Step, Step);
        if (fits(place))
            continue;
        place = wanted + QPoint(Step * ++diagonal, 0);
        if (!fits(place))
            return wanted;
    }
    return place;
}

void PreviewContainer::_adoptLayer(BasicLayer *layer, int state)
{
    layer->setState(state);
    addItem(layer);
    layer->setParent(this);
}

void PreviewContainer::_finishLayer(BasicLayer *layer, int alpha, bool checkFit)
{
    layer->setFrameEnabled(_layersEditable());
    m_layers.append(layer);
    _connectLayer(layer);
    if (auto *picture = qobject_cast<PicLayer *>(layer))
        picture->setAlpha(alpha);
    else if (auto *game = qobject_cast<GamePicLayer *>(layer))
        game->setAlpha(alpha);
    else if (auto *camera = qobject_cast<CameraLayer *>(layer))
        camera->setAlpha(alpha);
    layer->setZValue(m_layers.size() - 1);
    _relayoutAll();
    if (checkFit)
        _fitIfNeeded(layer);
}

void PreviewContainer::_fitIfNeeded(BasicLayer *layer)
{
    if (layer->layerType() == LT_TEXT)
        return;
    if (layer->keepInsideParent())
        layer->fitToWidth(QSize(truncated(size().width()), truncated(size().height())));
}

void PreviewContainer::_connectLayer(BasicLayer *layer)
{
    connect(layer, &BasicLayer::needToBeDelete, this, &PreviewContainer::onDeleteLayer);
    connect(layer, &BasicLayer::editLayer, this, &PreviewContainer::on_editLayer);
    connect(layer, &BasicLayer::activeChanged, this, &PreviewContainer::on_activeChanged);
    connect(layer, &BasicLayer::sigToFirstLayer, this, &PreviewContainer::on_toFirstLayer);
    connect(layer, &BasicLayer::sigToLastLayer, this, &PreviewContainer::on_toLastLayer);
    connect(layer, &BasicLayer::sigLayermgr, this, &PreviewContainer::on_layermgr);
    connect(layer, &BasicLayer::geometryEdited, this, &PreviewContainer::_onGeometryEdited);
}

void PreviewContainer::_relayoutAll()
{
    if (m_relayout)
        m_relayout->on_relayoutAll();
}

// Layer operations -----------------------------------------------------------------------------

void PreviewContainer::setActiveLayer(BasicLayer *layer)
{
    // A layer waiting for its editor stays pending whatever else is selected meanwhile (the
    // host may open the layer manager over the editor): its editor's answer still has to
    // create or drop it.
    for (BasicLayer *each : layers()) {
        if (each->state() != BasicLayer::StatePending)
            each->setState(BasicLayer::StateNormal);
    }
    if (layer && layer->state() != BasicLayer::StatePending)
        layer->setState(BasicLayer::StateActive);
}

BasicLayer *PreviewContainer::activeLayer() const
{
    for (BasicLayer *layer : layers()) {
        if (layer->layerType() != LT_GAMEVIDEO && layer->state() == BasicLayer::StateActive)
            return layer;
    }
    return nullptr;
}

void PreviewContainer::removeCameraLayers()
{
    QPointer<PreviewContainer> self(this);
    // The camera went away with the host: nothing in the history may bring it back.
    _retireCameraKeys();
    for (BasicLayer *layer : layers()) {
        if (!self)
            return;
        if (layer->layerType() == LT_CAMERA)
            _deleteLayer(layer, false);
    }
}

void PreviewContainer::onDeleteLayer(BasicLayer *layer)
{
    _deleteLayer(layer, true);
}

void PreviewContainer::_deleteLayer(BasicLayer *layer, bool record)
{
    logInfo(L"PreviewContainer::onDeleteLayer");
    const int index = indexOfLayer(layer);
    if (index < 0 || layer->layerType() == LT_GAMEVIDEO)
        return;
    // A pending layer was never added; deleting it is its editor's cancel, not a step.
    record = record && layer->state() != BasicLayer::StatePending;
    const quint64 key = record ? undoKeyOf(layer) : 0;
    // Only the kinds the user adds come back by undo.
    std::optional<LayerState> before;
    if (record && layer->layerType() != LT_GAMEVIDEO)
        before = _itemState(layer);
    const QList<quint64> order = record ? _stackKeys() : QList<quint64>();
    QPointer<PreviewContainer> self(this);
    QPointer<BasicLayer> guard(layer);
    if (layer->layerType() == LT_CAMERA && m_controller) {
        m_controller->closeCamera();
        if (!self)
            return;
    }
    if (!guard || indexOfLayer(guard) < 0)
        return;
    m_layers.removeAll(QPointer<BasicLayer>(guard));
    if (m_compositor) {
        // Marking the camera's twin deleted asks the host to close the camera once more.
        m_compositor->deleteCMLayerByUILayer(guard);
        if (!self)
            return;
    }
    if (guard) {
        if (m_pendingData && m_pendingData->layer == guard)
            m_pendingData->layer = nullptr;
        removeItem(guard);
        guard->hide();
        if (QGraphicsScene *itemScene = guard->scene())
            itemScene->removeItem(guard);
        // Later: the item may be the sender of the signal that brought us here.
        guard->deleteLater();
    }
    if (before)
        _record(new DeleteLayerCommand(this, key, *before, order));
    _refreshLayersManager();
}

void PreviewContainer::on_activeChanged(BasicLayer *layer)
{
    setActiveLayer(layer);
    setFocus(Qt::MouseFocusReason);
    update();
}

void PreviewContainer::on_toFirstLayer(BasicLayer *layer)
{
    Q_EMIT sigToFirstLayer(layer);
}

void PreviewContainer::on_toLastLayer(BasicLayer *layer)
{
    Q_EMIT sigToLastLayer(layer);
}

void PreviewContainer::on_layermgr(BasicLayer *layer)
{
    Q_UNUSED(layer)
    showLayersManager();
}

void PreviewContainer::showLayersManager()
{
    if (!m_editors) {
        logWarning(L"PreviewContainer::showLayersManager no layer manager installed.");
        return;
    }
    if (!m_layersManager) {
        m_layersManager = m_editors->createLayersManager(graphicsView(), this, m_relayout);
        if (!m_layersManager)
            return;
    }
    m_editors->setLayerEntries(m_layersManager, collectLayerEntries());
    m_layersManager->showModalAsync(true, true);
}

QList<LayerEntry> PreviewContainer::collectLayerEntries() const
{
    QList<LayerEntry> entries;
    if (!m_compositor)
        return entries;
    const QList<QPointer<CMLayer>> stack = m_compositor->layers();
    for (const QPointer<CMLayer> &layer : stack) {
        if (!layer || layer->isDeleted())
            continue;
        LayerEntry entry;
        entry.type = layer->layerType();
        entry.layerId = layer->layerId();
        entry.layer = layer;
        entry.combine = layer->isCombine();
        entry.name = layer->name();
        entries.append(entry);
    }
    return entries;
}

void PreviewContainer::_refreshLayersManager()
{
    if (m_layersManager && m_editors)
        m_editors->setLayerEntries(m_layersManager, collectLayerEntries());
}

void PreviewContainer::_closeEditors()
{
    // Each close may run an editor's own handling (a discard): re-read the pointers each time.
    const QPointer<QWidget> windows[] = {m_cameraEditor.data(), m_textEditor.data(),
                                         m_picEditor.data(), m_tipWindow.data(),
                                         m_layersManager.data()};
    for (const QPointer<QWidget> &window : windows) {
        if (window)
            window->close();
    }
}

void PreviewContainer::_showTip(const QString &message)
{
    if (!m_tipWindow)
        m_tipWindow = TipMessageWindow::createWindow(graphicsView());
    m_tipWindow->setContent(message, QString(), false, QObject::tr("live tip"));
    m_tipWindow->showModalAsync(true, true);
}

// Input ----------------------------------------------------------------------------------------

void PreviewContainer::closeEvent(QCloseEvent *event)
{
    UIControl::closeEvent(event);
    Q_EMIT sigAboutToClose();
}

void PreviewContainer::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    UIControl::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    // Front first: the highest stacking value, and the later layer among equals.
    QList<BasicLayer *> ordered = layers();
    std::stable_sort(ordered.begin(), ordered.end(), [](const BasicLayer *a, const BasicLayer *b) {
        return a->zValue() < b->zValue();
    });
    for (auto it = ordered.crbegin(); it != ordered.crend(); ++it) {
        BasicLayer *layer = *it;
        if (!layer->isVisible() || !layer->geometry().contains(event->pos()))
            continue;
        if (layer->isOnHandle(layer->mapFromParent(event->pos())))
            return;
        on_activeChanged(layer);
        return;
    }
    setActiveLayer(nullptr);
    update();
}

void PreviewContainer::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool control = modifiers == Qt::ControlModifier;
    if ((event->key() == Qt::Key_Z && control) || event->matches(QKeySequence::Undo)) {
        event->accept();
        undo();
        return;
    }
    if ((event->key() == Qt::Key_Z && modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) ||
        (event->key() == Qt::Key_Y && control) || event->matches(QKeySequence::Redo)) {
        event->accept();
        redo();
        return;
    }
    BasicLayer *layer = activeLayer();
    QPointF delta;
    switch (event->key()) {
    case Qt::Key_Left:
        delta = QPointF(-1, 0);
        break;
    case Qt::Key_Up:
        delta = QPointF(0, -1);
        break;
    case Qt::Key_Right:
        delta = QPointF(1, 0);
        break;
    case Qt::Key_Down:
        delta = QPointF(0, 1);
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
    if (layer)
        layer->nudge(delta);
}

void PreviewContainer::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Delete || event->isAutoRepeat()) {
        event->ignore();
        return;
    }
    event->accept();
    QPointer<PreviewContainer> self(this);
    for (BasicLayer *layer : layers()) {
        if (!self)
            return;
        if (layer->state() == BasicLayer::StateActive && layer->layerType() != LT_GAMEVIDEO)
            onDeleteLayer(layer);
    }
}

void PreviewContainer::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    UIControl::resizeEvent(event);
    _fillParent();
}

bool PreviewContainer::_isInternalDrag(const QGraphicsSceneDragDropEvent *event) const
{
    if (!event->mimeData() || !event->mimeData()->hasFormat(QLatin1String(ItemDragFormat)))
        return false;
    const QGraphicsView *view = graphicsView();
    const QWidget *source = event->source();
    return view && source && (source == view || source == view->viewport());
}

BasicLayer *PreviewContainer::_layerOfId(quint32 id) const
{
    if (!m_compositor || id == 0)
        return nullptr;
    auto *layer = qobject_cast<CMBasicLayer *>(m_compositor->layerById(id));
    if (!layer || layer->isDeleted())
        return nullptr;
    auto *item = qobject_cast<BasicLayer *>(layer->uiLayer());
    return hasLayer(item) ? item : nullptr;
}

void PreviewContainer::dragEnterEvent(QGraphicsSceneDragDropEvent *event)
{
    if (_isInternalDrag(event)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else if (event->mimeData() && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else if (!event->mimeData() || !event->mimeData()->hasFormat(QLatin1String(ItemDragFormat))) {
        event->ignore();
    }
}

void PreviewContainer::dragLeaveEvent(QGraphicsSceneDragDropEvent *event)
{
    Q_UNUSED(event)
}

void PreviewContainer::dragMoveEvent(QGraphicsSceneDragDropEvent *event)
{
    if (_isInternalDrag(event)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        QDataStream stream(event->mimeData()->data(QLatin1String(ItemDragFormat)));
        quint32 id = 0;
        QPointF offset;
        stream >> id >> offset;
        if (stream.status() != QDataStream::Ok)
            return;
        if (BasicLayer *layer = _layerOfId(id)) {
            const QSizeF current = layer->size();
            layer->setGeometry(QRectF(event->pos() - offset, current));
        }
    } else if (event->mimeData() && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void PreviewContainer::dropEvent(QGraphicsSceneDragDropEvent *event)
{
    const PreviewCenterData *data = _centerData();
    if (!event->mimeData() || !event->mimeData()->hasUrls() || !data || !data->initDone()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const QList<QUrl> urls = event->mimeData()->urls();
    const QPoint position(truncated(event->pos().x()), truncated(event->pos().y()));
    QPointer<PreviewContainer> self(this);
    for (const QUrl &url : urls) {
        const QString path = url.toLocalFile();
        // Read once and decoded, not only recognised: a file with a picture's header and broken
        // data would otherwise become a layer that shows nothing, and a file changed after a
        // check could still be one.
        QString error = QStringLiteral("not a local file");
        const QImage picture = path.isEmpty() ? QImage() : PicLayer::readPicture(path, &error);
        if (picture.isNull()) {
            logWarning(L"PreviewContainer::dropEvent %ls is not a picture that can be shown "
                       L"(%ls); it and the files after it are not added.",
                       url.toDisplayString().toStdWString().c_str(), error.toStdWString().c_str());
            event->ignore();
            _showTip(_unreadablePictureText(url.isLocalFile() ? QFileInfo(path).fileName()
                                                              : url.toDisplayString()));
            return;
        }
        logInfo(L"PreviewContainer::addPicLayer");
        _addPicLayer(path, picture, true, position, QSize(160, 90), 100, true);
        if (!self)
            return;
    }
}

// Helpers --------------------------------------------------------------------------------------

void PreviewContainer::_fillParent()
{
    QGraphicsItem *parent = parentItem();
    if (!parent || qobject_cast<UIControl *>(parentObject()))
        return;
    const QSizeF area = parent->boundingRect().size();
    const QSizeF own = size();
    if (area.isEmpty() || own.isEmpty()) {
        setScale(1.0);
        setPos(0, 0);
        return;
    }
    const qreal factor = std::min(area.width() / own.width(), area.height() / own.height());
    setScale(factor);
    setPos(parent->boundingRect().left() + (area.width() - own.width() * factor) * 0.5,
           parent->boundingRect().top() + (area.height() - own.height() * factor) * 0.5);
}

PreviewCenterData *PreviewContainer::_centerData() const
{
    return m_controller ? m_controller->centerData() : nullptr;
}

bool PreviewContainer::_layersEditable() const
{
    const PreviewCenterData *data = _centerData();
    return data ? data->layersEditable() : true;
}
