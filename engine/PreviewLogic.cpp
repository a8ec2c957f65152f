#include "PreviewLogic.h"

#include "BasicLayer.h"
#include "FrameSize.h"
#include "IPreviewEngine.h"
#include "Log.h"
#include "LogThrottle.h"
#include "PreviewCenterData.h"
#include "PreviewCombineLogic.h"
#include "PreviewContainer.h"
#include "PreviewSetting.h"
#include "PushedFrame.h"
#include "RelayoutLogic.h"

#include <appcommon/ZqPlatform.h>

#include <QFontDatabase>
#include <QGraphicsObject>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

namespace {

// A size announcement made while a game frame is composed waits here until the frame's
// receivers have returned. Host code must never run inside a receiver (unInit waits for
// receivers running on other threads) nor under a composition lock. A plain pointer, so the
// thread owns nothing that needs a destructor at its exit.
struct SizeAnnouncement
{
    xsignals::receiver_snapshot<unsigned int, unsigned int> receivers;
    unsigned int width;
    unsigned int height;
};
thread_local int t_framesInDelivery = 0;
thread_local SizeAnnouncement *t_pendingAnnouncement = nullptr;

} // namespace

PreviewLogic::PreviewLogic(ZqStudio::IPreviewEngine *engine, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
{
    m_centerData = new PreviewCenterData(this);
    m_setting = new PreviewSetting(this, this);
    m_relayout = new RelayoutLogic(this);
    logInfo(L"PreviewLogic::PreviewLogic idThread=%d",
            static_cast<int>(ZqPlatform::currentThreadId()));
    if (!m_frameRate.init())
        logInfo(L"FrameRateAdjust::init  QueryPerformanceFrequency() fail.");
}

PreviewLogic::~PreviewLogic()
{
    // Capture threads may still be emitting into our receivers' lists; stop taking calls
    // before any member goes away.
    disconnect_all();
    _dropContainer();
    // The compositor reads the central data until it is gone, so it goes first.
    delete m_combine;
    m_combine = nullptr;
    delete m_setting;
    m_setting = nullptr;
    delete m_relayout;
    m_relayout = nullptr;
    delete m_centerData;
    m_centerData = nullptr;
}

namespace {

// The frame, or nothing after a line in the log (at most one every few seconds per kind).
std::optional<PushedFrame> checkedFrame(const wchar_t *where, LogThrottle *throttle,
                                        const char *data, unsigned int uLen, int width, int height,
                                        unsigned long sampleTime)
{
    PushedFrame::Problem problem = PushedFrame::Problem::None;
    std::optional<PushedFrame> frame =
        PushedFrame::check(data, uLen, width, height, sampleTime, &problem);
    int repeated = 0;
    if (!frame && throttle->shouldLog(&repeated)) {
        const wchar_t *reason = problem == PushedFrame::Problem::NoData    ? L"no data"
                                : problem == PushedFrame::Problem::BadSize ? L"unusable size"
                                                                           : L"too short";
        logWarning(L"PreviewLogic::%ls frame dropped (%ls): data=%ls, uLen=%u, width=%d, "
                   L"height=%d (%d similar lines suppressed)",
                   where, reason, data ? L"set" : L"null", uLen, width, height, repeated);
    }
    return frame;
}

} // namespace

void PreviewLogic::inputGameVideoData(const char *data, unsigned int uLen, int width, int height,
                                      unsigned long sampleTime)
{
    static LogThrottle s_throttle;
    const std::optional<PushedFrame> frame =
        checkedFrame(L"inputGameVideoData", &s_throttle, data, uLen, width, height, sampleTime);
    if (!frame)
        return;
    ++t_framesInDelivery;
    sigGameVideoData(*frame);
    if (--t_framesInDelivery > 0 || !t_pendingAnnouncement)
        return;
    // From here on nothing of this object is touched: a host that unInits or releases the
    // engine from its handler (through its GUI thread) is free to do so.
    const std::unique_ptr<SizeAnnouncement> pending(std::exchange(t_pendingAnnouncement, nullptr));
    pending->receivers(pending->width, pending->height);
}

void PreviewLogic::inputCameraData(const char *data, unsigned int uLen, int width, int height,
                                   unsigned long sampleTime)
{
    static LogThrottle s_throttle;
    if (const std::optional<PushedFrame> frame =
            checkedFrame(L"inputCameraData", &s_throttle, data, uLen, width, height, sampleTime))
        sigCameraData(*frame);
}

void PreviewLogic::inputCamOpenStatus(bool openStatus)
{
    sigCamOpenStatus(openStatus);
}

void PreviewLogic::init(int fps)
{
    logInfo(L"PreviewLogic::init fps=%d", fps);
    if (!m_combine) {
        // After an unInit the output size is unknown until the host sets it again, yet the
        // stack is built now: on the preview area the host gave last, so a default game layer
        // fills it, not a square the scene then has to squeeze.
        const QSize area = m_centerData ? m_centerData->previewSize() : QSize();
        const QSizeF scene = area.isEmpty() ? QSizeF(750.0, 750.0) : QSizeF(area);
        m_combine = new PreviewCombineLogic(scene, this, this);
    }
    if (m_centerData) {
        m_centerData->init();
        m_centerData->setLoadStoredLayers(true);
        m_centerData->setLayersEditable(true);
        m_centerData->setInitDone(true);
        m_centerData->setFps(fps);
    }
    if (m_setting) {
        m_setting->init();
        connect(m_setting, &PreviewSetting::sigLoadFromConfigFinished, this,
                &PreviewLogic::onLoadFromConfigFinished, Qt::UniqueConnection);
        connect(m_setting, &PreviewSetting::sigStoredPictureLeftOut, this,
                &PreviewLogic::onStoredPictureLeftOut, Qt::UniqueConnection);
        // Every change of the stack reaches the file within about a second.
        if (m_combine) {
            connect(m_combine, &BasicPreviewCombine::sigLayersChanged, m_setting,
                    &PreviewSetting::onLayersChanged, Qt::UniqueConnection);
        }
    }
    if (m_combine) {
        m_combine->init();
        m_combine->startPreview();
    }
    if (m_relayout)
        m_relayout->setCompositor(m_combine);
    if (m_setting)
        m_setting->buildLayersFromFile();
}

void PreviewLogic::unInit()
{
    m_uiLoadPending = false;
    m_leftOutPictures.clear();
    if (m_setting) {
        m_setting->saveLayersToFile();
        m_setting->stop();
    }
    if (m_combine) {
        m_combine->unInit();
        m_combine->stopPreview();
    }
    if (m_setting) {
        disconnect(m_setting, &PreviewSetting::sigLoadFromConfigFinished, this,
                   &PreviewLogic::onLoadFromConfigFinished);
    }
    _dropContainer();
    if (m_centerData)
        m_centerData->clearSizes();
    delete m_combine;
    m_combine = nullptr;
}

void PreviewLogic::_dropContainer()
{
    PreviewContainer *container = m_container;
    m_container = nullptr;
    if (!container)
        return;
    // Its closing must not reach us or the compositor any more. Deleted later: this may run
    // inside one of the container's own calls (a host answering a signal it sent).
    disconnect(container, nullptr, this, nullptr);
    container->detachServices();
    if (m_combine)
        m_combine->onContainerClosed();
    container->hide();
    container->deleteLater();
}

bool PreviewLogic::setVideoSize(int width, int height)
{
    // Frames of this size are allocated and the scene is scaled to it: a size that cannot be
    // composed is refused here, never announced and then silently not delivered.
    const int previewWidth = FrameSize::isComposable(width, height)
                                 ? static_cast<int>(double(width) / double(height) * 420.0)
                                 : 0;
    if (previewWidth < 1) {
        logWarning(L"PreviewLogic::setVideoSize %dx%d cannot be composed (each side 1 to %d, "
                   L"the width at least height / 420); ignored.",
                   width, height, FrameSize::MaxSide);
        return false;
    }
    const QSize previewSize(previewWidth, 420);
    if (m_centerData) {
        m_centerData->setPreviewSize(previewSize);
        // After the new area: the next game frame fits the game layer to it.
        if (m_combine)
            m_combine->clearGameVideoSize();
        else
            m_centerData->setGameVideoSize(QSize(0, 0));
    }
    if (m_container)
        m_container->setPreviewArea(previewSize);
    if (m_combine) {
        m_combine->setSceneSize(QSizeF(previewSize));
        // Last: this tells the host, which may call anything from its handler.
        m_combine->setVideoSize(width, height);
    }
    return true;
}

void PreviewLogic::showPreview(QGraphicsObject *parent)
{
    if (!parent) {
        logWarning(L"PreviewLogic::showPreview parent is null.");
        return;
    }
    m_parent = parent;
    parent->setVisible(true);
    if (!m_combine)
        return;
    if (!m_container) {
        PreviewContainer::Services services;
        services.controller = this;
        services.compositor = m_combine;
        services.relayout = m_relayout;
        services.editors = m_editorFactory;
        const QSize size = m_centerData ? m_centerData->previewSize() : QSize(752, 420);
        PreviewContainer *container =
            PreviewContainer::createPreviewContainer(parent, size, services);
        m_container = container;
        container->show();
        connect(container, &PreviewContainer::sigAboutToClose, this,
                &PreviewLogic::onContainerClosed);
        connect(m_combine, &BasicPreviewCombine::sigRelayoutAll, m_relayout,
                &RelayoutLogic::on_relayoutAll, Qt::UniqueConnection);
        // Creating the items runs scene code that may reach the host; it may close the scene.
        const bool loaded = m_combine->loadUI(container);
        if (!m_combine)
            return;
        if (!loaded && m_container)
            m_uiLoadPending = true;
        _reportLeftOutPictures();
    } else {
        m_container->show();
    }
    if (m_combine)
        m_combine->startPreview();
}

void PreviewLogic::hidePreview()
{
    if (m_setting)
        m_setting->saveLayersToFile();
    if (m_parent)
        m_parent->setVisible(false);
    if (m_container)
        m_container->hide();
    if (m_combine)
        m_combine->stopPreview();
}

void PreviewLogic::setLayersEditable(bool editable)
{
    if (m_centerData)
        m_centerData->setLayersEditable(editable);
    if (m_container)
        m_container->setLayersEditable(editable);
}

void PreviewLogic::emitFilterWordResult(const std::string &taskId, bool bValid)
{
    Q_EMIT sigFilterWordResult(taskId, bValid);
}

void PreviewLogic::openCamera(const std::wstring &name, tagSIZE size1, tagSIZE size2, bool flag)
{
    if (!m_engine)
        return;
    const int fps = m_centerData ? m_centerData->fps() : 0;
    m_engine->sigOpenCamera(name, size1, size2, fps, flag);
}

void PreviewLogic::closeCamera()
{
    if (m_engine)
        m_engine->sigCloseCamera();
}

ILayerStack *PreviewLogic::layerStack() const
{
    return m_combine;
}

QMetaObject::Connection PreviewLogic::connectFilterWordResults(QObject *context,
                                                               FilterWordReceiver receiver)
{
    return connect(this, &PreviewLogic::sigFilterWordResult, context, std::move(receiver));
}

void PreviewLogic::requestFilterWordCheck(const std::string &taskId, const std::wstring &text)
{
    if (m_engine)
        m_engine->sigCheckFilterWord(taskId, text);
}

std::vector<std::wstring> PreviewLogic::cameraList()
{
    std::vector<std::wstring> devices;
    if (m_engine)
        m_engine->sigGetCameraList(devices);
    return devices;
}

std::vector<tagSIZE> PreviewLogic::cameraResolutions(const std::wstring &device)
{
    std::vector<tagSIZE> sizes;
    if (m_engine)
        m_engine->sigGetCameraResolutions(device, sizes);
    return sizes;
}

void PreviewLogic::announceVideoSize(unsigned int width, unsigned int height)
{
    if (!m_engine)
        return;
    if (t_framesInDelivery > 0) {
        delete t_pendingAnnouncement;
        t_pendingAnnouncement =
            new SizeAnnouncement{m_engine->sigVideoSizeChanged.snapshot(), width, height};
        return;
    }
    m_engine->sigVideoSizeChanged(width, height);
}

IPreviewController::VideoFrameReceivers PreviewLogic::videoFrameReceivers()
{
    return m_engine ? m_engine->sigVideoFrame.snapshot() : VideoFrameReceivers();
}

QSize PreviewLogic::getPreviewSize() const
{
    return m_centerData ? m_centerData->previewSize() : QSize();
}

void PreviewLogic::addCameraLayer()
{
    if (!m_container || !m_centerData) {
        logInfo(L"PreviewLogic::addCameraLayer no preview scene, nothing added.");
        return;
    }
    // The default name is the Chinese one; an English host's translation turns it into English.
    const QString name =
        m_centerData->cameraName().isEmpty() ? tr("我的摄像头") : m_centerData->cameraName();
    const QSize output = m_centerData->videoSize();
    m_container->addCameraLayer(name, QPoint(output.width() - 620, output.height() - 240),
                                QSize(320, 240), 100, QString(), QSize(640, 480), true, true, false,
                                0x00FF00, 0.05f, 0.8f);
}

void PreviewLogic::removeCameraLayers()
{
    if (!m_container) {
        logInfo(L"PreviewLogic::removeCameraLayers no preview scene, nothing removed.");
        return;
    }
    m_container->removeCameraLayers();
}

void PreviewLogic::addTextLayer()
{
    if (!m_container) {
        logInfo(L"PreviewLogic::addTextLayer no preview scene, nothing added.");
        return;
    }
    // Microsoft YaHei where installed, else STXihei; fontconfig maps both to a CJK sans.
    const QString preferred = QStringLiteral("微软雅黑");
    const QString fallback = QStringLiteral("华文细黑");
    QFont font(QFontDatabase::families().contains(preferred) ? preferred : fallback);
    font.setPointSize(28);
    m_container->addTextLayer(font, QColor(255, 0, 0, 255), QString(), QPoint(10, 10), true);
}

void PreviewLogic::addImageLayer()
{
    if (!m_container) {
        logInfo(L"PreviewLogic::addImageLayer no preview scene, nothing added.");
        return;
    }
    m_container->addPicLayer(QString(), true, QPoint(10, 10), QSize(160, 90), 100, true);
}

PreviewContainer *PreviewLogic::container() const
{
    return m_container;
}

bool PreviewLogic::hasLayer(const LayerItem *layer) const
{
    if (!m_container || !layer)
        return false;
    // By address alone: the pointer was kept across an event loop and may name nothing now.
    const QList<BasicLayer *> live = m_container->layers();
    return std::any_of(live.cbegin(), live.cend(), [layer](const BasicLayer *each) {
        return static_cast<const LayerItem *>(each) == layer;
    });
}

bool PreviewLogic::isEditingLayer() const
{
    return m_container && m_container->pendingData();
}

void PreviewLogic::showLayersMgr()
{
    if (m_container)
        m_container->showLayersManager();
}

void PreviewLogic::setEditorFactory(ILayerEditorFactory *factory)
{
    m_editorFactory = factory;
    if (m_container)
        m_container->setEditorFactory(factory);
}

void PreviewLogic::onLoadFromConfigFinished()
{
    logInfo(L"PreviewLogic::onLoadFromConfigFinished");
    if (m_uiLoadPending && m_combine) {
        m_uiLoadPending = false;
        m_combine->loadUI(m_container);
    }
    _reportLeftOutPictures();
}

void PreviewLogic::onStoredPictureLeftOut(QString path)
{
    m_leftOutPictures.append(path);
}

void PreviewLogic::_reportLeftOutPictures()
{
    if (!m_container || m_leftOutPictures.isEmpty())
        return;
    m_container->reportLeftOutPictures(std::exchange(m_leftOutPictures, QStringList()));
}

void PreviewLogic::onContainerClosed()
{
    logInfo(L"PreviewLogic::onContainerClosed");
    m_container = nullptr;
    m_uiLoadPending = false;
    if (m_combine)
        m_combine->onContainerClosed();
}
