#include "CameraService.h"

#include "CameraModeSelector.h"
#include "MonotonicClock.h"

#include <previewengine/IPreviewEngine.h>

#include <QVideoFrame>

#include <algorithm>

CameraService::CameraService(ZqStudio::IPreviewEngine *engine, CameraBackend *backend,
                             QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_backend(backend)
    , m_virtual(engine)
    , m_frameTarget(engine)
{
    if (m_backend) {
        connect(m_backend, &CameraBackend::camerasChanged, this, &CameraService::onCamerasChanged);
        connect(m_backend, &CameraBackend::started, this, &CameraService::onStarted);
        connect(m_backend, &CameraBackend::failed, this, &CameraService::onFailed);
    }
}

CameraService::~CameraService()
{
    // The engine's requests arrive on its threads: stop them reaching this object first.
    disconnect_all();
    detach();
}

void CameraService::attach()
{
    if (!m_engine)
        return;
    m_engine->sigOpenCamera.connect(this, &CameraService::onOpenCamera);
    m_engine->sigCloseCamera.connect(this, &CameraService::onCloseCamera);
    m_engine->sigGetCameraList.connect(this, &CameraService::onGetCameraList);
    m_engine->sigGetCameraResolutions.connect(this, &CameraService::onGetCameraResolutions);
}

void CameraService::detach()
{
    disconnect_all();
    m_hasRequest = false;
    _stopReal(false);
    {
        const std::lock_guard<std::mutex> guard(m_frameMutex);
        m_frameTarget = nullptr;
    }
    m_virtual.detach();
    m_engine = nullptr;
}

std::vector<CameraService::NamedCamera> CameraService::_realCameras() const
{
    std::vector<NamedCamera> named;
    if (!m_backend)
        return named;
    const QList<CameraInfo> cameras = m_backend->cameras();
    for (const CameraInfo &info : cameras) {
        // Two cameras of one model share a description; the engine knows a camera by name alone.
        const std::wstring base = info.description.isEmpty()
                                      ? QString::fromLatin1(info.id).toStdWString()
                                      : info.description.toStdWString();
        std::wstring name = base;
        for (int n = 2; name == VirtualCamera::deviceName() ||
                        std::any_of(named.begin(), named.end(),
                                    [&](const NamedCamera &c) { return c.name == name; });
             ++n)
            name = base + L" (" + std::to_wstring(n) + L")";
        named.push_back({name, info});
    }
    return named;
}

std::vector<std::wstring> CameraService::cameraNames() const
{
    std::vector<std::wstring> names;
    for (const NamedCamera &camera : _realCameras())
        names.push_back(camera.name);
    names.push_back(VirtualCamera::deviceName());
    return names;
}

std::vector<tagSIZE> CameraService::resolutions(const std::wstring &name) const
{
    if (name == VirtualCamera::deviceName())
        return VirtualCamera::resolutions();
    for (const NamedCamera &camera : _realCameras()) {
        if (camera.name == name)
            return CameraModeSelector::resolutions(camera.info.modes);
    }
    return {};
}

bool CameraService::open(const std::wstring &name, const QSize &size, int fps)
{
    if (!m_engine)
        return false;
    if (name == VirtualCamera::deviceName()) {
        m_hasRequest = false;
        _stopReal(false);
        return m_virtual.open(name, size, fps);
    }
    m_virtual.close();
    m_hasRequest = true;
    m_request = Request{name, size, fps};
    if (_startReal(m_request))
        return true;
    qWarning("previewhost: no camera \"%s\" is plugged in; it opens when it appears",
             qPrintable(QString::fromStdWString(name)));
    _report(false);
    return false;
}

void CameraService::close()
{
    m_hasRequest = false;
    _stopReal(true);
    m_virtual.close();
}

std::wstring CameraService::runningCamera() const
{
    if (!m_runningId.isEmpty())
        return m_runningName;
    return m_virtual.isRunning() ? VirtualCamera::deviceName() : std::wstring();
}

bool CameraService::_startReal(const Request &request)
{
    _stopReal(false);
    if (!m_backend)
        return false;
    for (const NamedCamera &camera : _realCameras()) {
        if (camera.name != request.name)
            continue;
        const int index = CameraModeSelector::nearest(camera.info.modes, request.size, request.fps);
        // A device that lists no modes gets its default one.
        const CameraMode mode = index >= 0 ? camera.info.modes.at(index) : CameraMode();
        m_runningId = camera.info.id;
        m_runningName = camera.name;
        m_runningSize = mode.resolution;
        ++m_starts;
        qInfo("previewhost: opening camera \"%s\" at %dx%d (asked for %dx%d)",
              qPrintable(QString::fromStdWString(camera.name)), mode.resolution.width(),
              mode.resolution.height(), request.size.width(), request.size.height());
        m_backend->start(camera.info.id, mode,
                         [this](const QVideoFrame &frame) { onFrame(frame); });
        return true;
    }
    return false;
}

void CameraService::_stopReal(bool report)
{
    if (m_runningId.isEmpty())
        return;
    m_runningId.clear();
    m_runningName.clear();
    m_runningSize = QSize();
    if (m_backend)
        m_backend->stop();
    if (report)
        _report(false);
}

void CameraService::_report(bool open)
{
    if (m_engine)
        m_engine->setCamOpenStatus(open);
}

void CameraService::onOpenCamera(const std::wstring &device, tagSIZE size, tagSIZE captureSize,
                                 int fps, bool flag)
{
    Q_UNUSED(captureSize)
    Q_UNUSED(flag)
    open(device, QSize(size.cx, size.cy), fps);
}

void CameraService::onCloseCamera()
{
    close();
}

void CameraService::onGetCameraList(std::vector<std::wstring> &devices)
{
    const std::vector<std::wstring> names = cameraNames();
    devices.insert(devices.end(), names.begin(), names.end());
}

void CameraService::onGetCameraResolutions(std::wstring device, std::vector<tagSIZE> &sizes)
{
    const std::vector<tagSIZE> offered = resolutions(device);
    sizes.insert(sizes.end(), offered.begin(), offered.end());
}

void CameraService::onCamerasChanged()
{
    if (!m_runningId.isEmpty()) {
        const std::vector<NamedCamera> cameras = _realCameras();
        const bool present = std::any_of(cameras.begin(), cameras.end(), [&](const NamedCamera &c) {
            return c.info.id == m_runningId;
        });
        if (!present) {
            qWarning("previewhost: camera \"%s\" was unplugged",
                     qPrintable(QString::fromStdWString(m_runningName)));
            _stopReal(true);
        }
        return;
    }
    // Plugged back in (its id may have changed; its name has not): open it again.
    if (m_hasRequest && _startReal(m_request))
        qInfo("previewhost: camera \"%s\" is back",
              qPrintable(QString::fromStdWString(m_request.name)));
}

void CameraService::onStarted()
{
    if (!m_runningId.isEmpty())
        _report(true);
}

void CameraService::onFailed(const QString &reason)
{
    if (m_runningId.isEmpty())
        return;
    qWarning("previewhost: camera \"%s\": %s", qPrintable(QString::fromStdWString(m_runningName)),
             qPrintable(reason));
    _stopReal(true);
}

// On the capture's thread.
void CameraService::onFrame(const QVideoFrame &frame)
{
    const std::lock_guard<std::mutex> guard(m_frameMutex);
    if (!m_frameTarget)
        return;
    if (m_converter.convert(frame) != VideoFrameConverter::Result::Converted)
        return;
    const QImage &image = m_converter.image();
    m_frameTarget->pushCameraData(reinterpret_cast<const char *>(image.constBits()),
                                  static_cast<unsigned int>(image.sizeInBytes()), image.width(),
                                  image.height(), MonotonicClock::nowMicros());
    ++m_pushed;
}
