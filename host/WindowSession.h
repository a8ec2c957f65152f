#pragma once

#include <QSize>
#include <QString>

#include <memory>

namespace ZqStudio {
class IPreviewEngine;
}

class CameraBackend;
class CameraService;
class EngineLibrary;
class FilterWordService;
class FrameStats;
class GameCapture;
class GameFeed;
class HostLanguage;
class HostWindow;

// The reference host with its window: loads the engine, connects the host's services (cameras,
// filter words), initialises it, feeds it game video and shows the window; when the window
// closes, shuts everything down in the order the engine needs: capture threads stop before
// unInit and release, and nothing of the engine is left when the library unloads.
class WindowSession
{
public:
    struct Options
    {
        QString enginePath;
        QString game; // empty: the test picture; "desktop"; or a video file
        QSize gameSize{1280, 720};
        int fps = 30;
        QString filterWordsFile;   // empty: the built-in list
        QString layoutFile;        // copied over the engine's settings file before init
        QString language;          // "zh-CN" or "en"; empty: the system's
        bool startCamera = false;  // run the virtual camera from the start
        bool systemCameras = true; // list the machine's cameras beside the virtual one
    };

    explicit WindowSession(const Options &options);
    ~WindowSession();

    WindowSession(const WindowSession &) = delete;
    WindowSession &operator=(const WindowSession &) = delete;

    // Starts everything and shows the window. False, with the reason in *error and the exit
    // code in *exitCode (1: the engine is unusable, 2: bad input), when it cannot.
    bool start(QString *error, int *exitCode);
    // Closes the window if it is open and shuts down; safe to call more than once.
    void shutdown();
    // start(), then events until the window closes, then shutdown(). Returns the exit code.
    int run();

    HostWindow *window() const { return m_window.get(); }
    ZqStudio::IPreviewEngine *engine() const { return m_engine; }
    FrameStats *stats() const { return m_stats.get(); }
    CameraService *camera() const { return m_camera.get(); }

private:
    void _onGameFailed(const QString &reason);

    const Options m_options;
    std::unique_ptr<HostLanguage> m_language;
    std::unique_ptr<FilterWordService> m_filterWords;
    std::unique_ptr<EngineLibrary> m_library;
    ZqStudio::IPreviewEngine *m_engine = nullptr;
    std::unique_ptr<CameraBackend> m_cameraDevices;
    std::unique_ptr<CameraService> m_camera;
    std::unique_ptr<FrameStats> m_stats;
    std::unique_ptr<HostWindow> m_window;
    std::unique_ptr<GameCapture> m_capture;
    std::unique_ptr<GameFeed> m_feed;
};
