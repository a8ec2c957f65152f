#pragma once

#include <previewengine/HostTypes.h>
#include <previewengine/xsignals/xsignals.h>

#include <QObject>
#include <QSize>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ZqStudio {
class IPreviewEngine;
}

// A camera without hardware: it answers the engine's camera requests by running a moving test
// picture on its own thread and pushing it as camera frames at the requested rate. It lists
// itself as the only camera. One camera runs at a time; opening it again with other parameters
// restarts it.
class VirtualCamera : public xsignals::trackable
{
public:
    static std::wstring deviceName();
    static std::vector<tagSIZE> resolutions();
    static constexpr int DefaultFps = 30;

    explicit VirtualCamera(ZqStudio::IPreviewEngine *engine);
    ~VirtualCamera() override;

    VirtualCamera(const VirtualCamera &) = delete;
    VirtualCamera &operator=(const VirtualCamera &) = delete;

    // Connects to the engine's camera requests and queries.
    void attach();
    // Stops the camera and forgets the engine: nothing reaches it afterwards. Call before the
    // engine is released.
    void detach();

    // Starts (or restarts) the camera. Open status is reported to the engine on the GUI thread.
    // False when the device is not this camera.
    bool open(const std::wstring &device, const QSize &size, int fps);
    void close();

    bool isRunning() const;
    QSize frameSize() const;
    int fps() const;
    std::int64_t framesPushed() const { return m_pushed; }
    int starts() const { return m_starts; }

private:
    void onOpenCamera(const std::wstring &device, tagSIZE size, tagSIZE captureSize, int fps,
                      bool flag);
    void onCloseCamera();
    void onGetCameraList(std::vector<std::wstring> &devices);
    void onGetCameraResolutions(std::wstring device, std::vector<tagSIZE> &sizes);

    void _run(QSize size, int fps);
    void _stopThread();
    void _reportStatus(bool open);

    ZqStudio::IPreviewEngine *m_engine;
    QObject m_gui; // context of the status reports posted to the GUI thread

    mutable std::mutex m_control; // serialises open, close and detach
    std::thread m_thread;
    QSize m_size;            // guarded by m_control
    int m_fps = 0;           // guarded by m_control
    bool m_detached = false; // guarded by m_control

    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    bool m_stopRequested = false; // guarded by m_wakeMutex

    std::atomic<int> m_generation{0};
    std::atomic<bool> m_live{true};
    std::atomic<std::int64_t> m_pushed{0};
    std::atomic<int> m_starts{0};
};
