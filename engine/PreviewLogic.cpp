#include "PreviewLogic.h"

#include "IPreviewEngine.h"
#include "Log.h"
#include "PreviewCenterData.h"
#include "PreviewCombineLogic.h"
#include "PreviewSetting.h"

#include <appcommon/ZqPlatform.h>

#include <QGraphicsObject>

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
    sigGameVideoData(data, uLen, width, height, sampleTime);
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
    if (m_setting)
        m_setting->saveLayersToFile();
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

void PreviewLogic::setVideoSize(int width, int height)
{
    if (width <= 0 || height <= 0) {
        logWarning(L"PreviewLogic::setVideoSize invalid size width=%d, height=%d ignored.", width,
                   height);
        return;
    }
    const QSize previewSize(static_cast<int>(double(width) / double(height) * 420.0), 420);
    if (m_combine) {
        m_combine->setVideoSize(width, height);
        m_combine->setSceneSize(QSizeF(previewSize));
    }
    if (m_centerData) {
        m_centerData->setGameVideoSize(QSize(0, 0));
        m_centerData->setPreviewSize(previewSize);
    }
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
    if (m_engine)
        m_engine->sigVideoSizeChanged(width, height);
}

void PreviewLogic::deliverVideoFrame(unsigned char *bits, unsigned int bytesPerLine, ZQSize size,
                                     unsigned long timestamp)
{
    if (m_engine)
        m_engine->sigVideoFrame(bits, bytesPerLine, size, timestamp);
}

bool PreviewLogic::hasLayer(const BasicLayer *layer) const
{
    // No scene yet: nothing belongs to it.
    Q_UNUSED(layer)
    return false;
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
