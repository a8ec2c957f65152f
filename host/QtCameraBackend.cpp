#include "QtCameraBackend.h"

#include <QCamera>
#include <QCameraDevice>
#include <QCameraFormat>
#include <QMediaCaptureSession>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>

namespace {

CameraInfo toInfo(const QCameraDevice &device)
{
    CameraInfo info;
    info.id = device.id();
    info.description = device.description();
    const QList<QCameraFormat> formats = device.videoFormats();
    for (const QCameraFormat &format : formats)
        info.modes.append(CameraMode{format.resolution(), format.minFrameRate(),
                                     format.maxFrameRate(), format.pixelFormat()});
    return info;
}

} // namespace

QtCameraBackend::QtCameraBackend(QObject *parent)
    : CameraBackend(parent)
{
    connect(&m_devices, &QMediaDevices::videoInputsChanged, this, &CameraBackend::camerasChanged);
}

QtCameraBackend::~QtCameraBackend()
{
    stop();
}

QList<CameraInfo> QtCameraBackend::cameras() const
{
    QList<CameraInfo> result;
    const QList<QCameraDevice> devices = QMediaDevices::videoInputs();
    for (const QCameraDevice &device : devices)
        result.append(toInfo(device));
    return result;
}

void QtCameraBackend::start(const QByteArray &id, const CameraMode &mode, FrameHandler handler)
{
    stop();
    const QList<QCameraDevice> devices = QMediaDevices::videoInputs();
    const auto device = std::find_if(devices.begin(), devices.end(),
                                     [&](const QCameraDevice &d) { return d.id() == id; });
    if (device == devices.end()) {
        _fail(QStringLiteral("the camera is gone"));
        return;
    }
    {
        const std::lock_guard<std::mutex> guard(m_handlerMutex);
        m_handler = std::move(handler);
    }
    m_camera = std::make_unique<QCamera>(*device);
    const QList<QCameraFormat> formats = device->videoFormats();
    for (const QCameraFormat &format : formats) {
        if (format.resolution() == mode.resolution && format.pixelFormat() == mode.pixelFormat &&
            qFuzzyCompare(format.maxFrameRate(), mode.maxFps)) {
            m_camera->setCameraFormat(format);
            break;
        }
    }
    m_sink = std::make_unique<QVideoSink>();
    m_session = std::make_unique<QMediaCaptureSession>();
    m_session->setCamera(m_camera.get());
    m_session->setVideoSink(m_sink.get());
    // Direct: the frame is converted and pushed on the thread that delivers it.
    connect(
        m_sink.get(), &QVideoSink::videoFrameChanged, m_sink.get(),
        [this](const QVideoFrame &frame) {
            const std::lock_guard<std::mutex> guard(m_handlerMutex);
            if (m_handler)
                m_handler(frame);
        },
        Qt::DirectConnection);
    connect(m_camera.get(), &QCamera::activeChanged, this, &QtCameraBackend::onActiveChanged);
    connect(m_camera.get(), &QCamera::errorOccurred, this,
            [this](QCamera::Error error, const QString &text) { onErrorOccurred(error, text); });
    m_wasActive = false;
    m_camera->start();
}

void QtCameraBackend::stop()
{
    ++m_generation; // failures reported for the camera being stopped are void
    {
        const std::lock_guard<std::mutex> guard(m_handlerMutex);
        m_handler = nullptr;
    }
    if (!m_camera)
        return;
    m_camera->disconnect(this);
    m_camera->stop();
    m_session->setVideoSink(nullptr);
    m_session->setCamera(nullptr);
    m_session.reset();
    m_camera.reset();
    m_sink.reset();
}

void QtCameraBackend::onActiveChanged(bool active)
{
    if (active) {
        m_wasActive = true;
        _post([this] { Q_EMIT started(); });
    } else if (m_wasActive) {
        _fail(QStringLiteral("the camera stopped"));
    }
}

void QtCameraBackend::onErrorOccurred(int error, const QString &text)
{
    if (error == QCamera::NoError)
        return;
    _fail(text.isEmpty() ? QStringLiteral("camera error %1").arg(error) : text);
}

void QtCameraBackend::_fail(const QString &reason)
{
    _post([this, reason] { Q_EMIT failed(reason); });
}

void QtCameraBackend::_post(std::function<void()> report)
{
    // Never from inside start() or QCamera's own signals: the receiver may stop and delete the
    // camera. A report about a camera stopped in the meantime is void.
    const int generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, report = std::move(report), generation] {
            if (generation == m_generation)
                report();
        },
        Qt::QueuedConnection);
}
