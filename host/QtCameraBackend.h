#pragma once

#include "CameraBackend.h"

#include <QMediaDevices>

#include <memory>
#include <mutex>

class QCamera;
class QMediaCaptureSession;
class QVideoSink;

// The machine's cameras through Qt Multimedia: QMediaDevices lists them and reports plugging
// and unplugging; a QCamera in a capture session feeds a QVideoSink whose frames go to the
// handler on the thread the sink delivers on.
class QtCameraBackend : public CameraBackend
{
    Q_OBJECT

public:
    explicit QtCameraBackend(QObject *parent = nullptr);
    ~QtCameraBackend() override;

    QList<CameraInfo> cameras() const override;
    void start(const QByteArray &id, const CameraMode &mode, FrameHandler handler) override;
    void stop() override;

private:
    void onActiveChanged(bool active);
    void onErrorOccurred(int error, const QString &text);
    void _fail(const QString &reason);
    void _post(std::function<void()> report);

    QMediaDevices m_devices;
    std::unique_ptr<QMediaCaptureSession> m_session;
    std::unique_ptr<QVideoSink> m_sink;
    std::unique_ptr<QCamera> m_camera;
    bool m_wasActive = false;
    int m_generation = 0;

    std::mutex m_handlerMutex; // held while the handler runs, so stop() can wait it out
    FrameHandler m_handler;    // guarded by m_handlerMutex
};
