#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QVideoFrameFormat>

#include <functional>

class QVideoFrame;

// One way a camera can capture: size, frame-rate range and pixel format.
struct CameraMode
{
    QSize resolution;
    float minFps = 0;
    float maxFps = 0;
    QVideoFrameFormat::PixelFormat pixelFormat = QVideoFrameFormat::Format_Invalid;
};

struct CameraInfo
{
    QByteArray id;       // stable while the device stays plugged in
    QString description; // what the user sees
    QList<CameraMode> modes;
};

// Where cameras come from: the machine's devices (QtCameraBackend), or a list a test makes up.
// At most one camera runs at a time. Use it on the GUI thread; only the frame handler runs
// elsewhere.
class CameraBackend : public QObject
{
    Q_OBJECT

public:
    // Called with every frame, on whatever thread the capture delivers on.
    using FrameHandler = std::function<void(const QVideoFrame &frame)>;

    using QObject::QObject;

    virtual QList<CameraInfo> cameras() const = 0;
    // Starts camera id in mode (stopping any other first). Success shows as started(), failure
    // as failed(), both later, never inside this call.
    virtual void start(const QByteArray &id, const CameraMode &mode, FrameHandler handler) = 0;
    // Stops the camera; once this returns the handler is not running and is not called again.
    virtual void stop() = 0;

Q_SIGNALS:
    void camerasChanged();
    void started();
    // The camera did not start, or stopped on its own (unplugged, driver error).
    void failed(const QString &reason);
};
