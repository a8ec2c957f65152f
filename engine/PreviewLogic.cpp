#include "PreviewLogic.h"

#include "FrameSize.h"
#include "IPreviewEngine.h"
#include "Log.h"
#include "PreviewCenterData.h"
#include "PreviewCombineLogic.h"
#include "PreviewSetting.h"

#include <appcommon/ZqPlatform.h>

#include <QGraphicsObject>

#include <memory>
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
    // The compositor reads the central data until it is gone, so it goes first.
    delete m_combine;
    m_combine = nullptr;
    delete m_setting;
    m_setting = nullptr;
    delete m_centerData;
    m_centerData = nullptr;
}

void PreviewLogic::inputGameVideoData(const char *data, unsigned int uLen, int width, int height,
                                      unsigned long sampleTime)
{
    ++t_framesInDelivery;
    sigGameVideoData(data, uLen, width, height, sampleTime);
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
    sigCameraData(data, uLen, width, height, sampleTime);
}

void PreviewLogic::inputCamOpenStatus(bool openStatus)
{
    sigCamOpenStatus(openStatus);
}

void PreviewLogic::init(int fps)
{
    logInfo(L"PreviewLogic::init fps=%d", fps);
    if (!m_combine)
        m_combine = new PreviewCombineLogic(QSizeF(750.0, 750.0), this, this);
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
    }
    if (m_combine) {
        m_combine->init();
        m_combine->startPreview();
    }
    if (m_setting)
        m_setting->buildLayersFromFile();
}

void PreviewLogic::unInit()
{
    m_uiLoadPending = false;
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
    if (m_centerData)
        m_centerData->clearSizes();
    delete m_combine;
    m_combine = nullptr;
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
        m_centerData->setGameVideoSize(QSize(0, 0));
        m_centerData->setPreviewSize(previewSize);
    }
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
}

void PreviewLogic::hidePreview()
{
    if (m_setting)
        m_setting->saveLayersToFile();
    if (m_parent)
        m_parent->setVisible(false);
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

QSize PreviewLogic::getVideoSize() const
{
    return m_centerData ? m_centerData->videoSize() : QSize();
}

void PreviewLogic::addCameraLayer()
{
    logInfo(L"PreviewLogic::addCameraLayer no preview scene, nothing added.");
}

void PreviewLogic::removeCameraLayers()
{
    logInfo(L"PreviewLogic::removeCameraLayers no preview scene, nothing removed.");
}

void PreviewLogic::addTextLayer()
{
    logInfo(L"PreviewLogic::addTextLayer no preview scene, nothing added.");
}

void PreviewLogic::addImageLayer()
{
    logInfo(L"PreviewLogic::addImageLayer no preview scene, nothing added.");
}

void PreviewLogic::onLoadFromConfigFinished()
{
    logInfo(L"PreviewLogic::onLoadFromConfigFinished");
    m_uiLoadPending = false;
}

void PreviewLogic::onContainerClosed()
{
    logInfo(L"PreviewLogic::onContainerClosed");
}
