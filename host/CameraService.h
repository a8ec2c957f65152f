#pragma once

#include "CameraBackend.h"
#include "VideoFrameConverter.h"
#include "VirtualCamera.h"

#include <previewengine/HostTypes.h>
#include <previewengine/xsignals/xsignals.h>

#include <QObject>
#include <QPointer>
#include <QSize>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace ZqStudio {
class IPreviewEngine;
}

// The host's cameras as the engine sees them: it lists the machine's cameras and the virtual
// camera, answers the engine's size queries from each device's real modes, opens the camera the
// engine asks for at the nearest mode, converts its frames to 32-bit ARGB and pushes them from
// the capture's own thread, and reports the camera open or closed. A camera unplugged while open
// is reported closed and is opened again when it comes back, until the engine closes it.
// Create and use it on the GUI thread.
class CameraService : public QObject, public xsignals::trackable
{
    Q_OBJECT

public:
    // backend: the real cameras (not owned; null for none). The virtual camera is always there.
    CameraService(ZqStudio::IPreviewEngine *engine, CameraBackend *backend,
                  QObject *parent = nullptr);
    ~CameraService() override;

    // Answers the engine's camera requests and queries.
    void attach();
    // Stops every camera and forgets the engine. Call before the engine is released.
    void detach();

    // Real cameras first, in the order the system lists them, then the virtual camera.
    std::vector<std::wstring> cameraNames() const;
    std::vector<tagSIZE> resolutions(const std::wstring &name) const;
    // Opens the camera (closing another). False when no such camera is plugged in now; a real
    // one is then opened as soon as it appears.
    bool open(const std::wstring &name, const QSize &size, int fps);
    void close();

    // The camera running now, empty for none.
    std::wstring runningCamera() const;
    QSize runningSize() const { return m_runningSize; }
    std::int64_t framesPushed() const { return m_pushed + m_virtual.framesPushed(); }
    int starts() const { return m_starts + m_virtual.starts(); }

private:
    struct NamedCamera
    {
        std::wstring name;
        CameraInfo info;
    };
    struct Request
    {
        std::wstring name;
        QSize size;
        int fps = 0;
    };

    void onOpenCamera(const std::wstring &device, tagSIZE size, tagSIZE captureSize, int fps,
                      bool flag);
    void onCloseCamera();
    void onGetCameraList(std::vector<std::wstring> &devices);
    void onGetCameraResolutions(std::wstring device, std::vector<tagSIZE> &sizes);

    void onCamerasChanged();
    void onStarted();
    void onFailed(const QString &reason);
    void onFrame(const QVideoFrame &frame);

    std::vector<NamedCamera> _realCameras() const;
    bool _startReal(const Request &request);
    void _stopReal(bool report);
    void _report(bool open);

    ZqStudio::IPreviewEngine *m_engine;
    QPointer<CameraBackend> m_backend;
    VirtualCamera m_virtual;

    bool m_hasRequest = false; // a real camera the engine wants, kept until it closes it
    Request m_request;
    QByteArray m_runningId; // the real camera started, empty for none
    std::wstring m_runningName;
    QSize m_runningSize;
    int m_starts = 0;

    std::mutex m_frameMutex;
    ZqStudio::IPreviewEngine *m_frameTarget = nullptr; // guarded by m_frameMutex
    VideoFrameConverter m_converter;                   // guarded by m_frameMutex
    std::atomic<std::int64_t> m_pushed{0};
};
