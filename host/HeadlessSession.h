#pragma once

#include <previewengine/HostTypes.h>
#include <previewengine/xsignals/xsignals.h>

#include <QSize>
#include <QString>

#include <atomic>
#include <cstdint>
#include <string>

namespace ZqStudio {
class IPreviewEngine;
}

class FrameStats;
class FrameWriter;

// Drives the engine the way a streaming application does, without a window: load, create,
// connect, init, size; push game frames from a capture thread at a steady rate, run the virtual
// camera and the filter-word service on request, write every delivered frame to a Y4M file;
// shut down, release, unload; then report what happened.
class HeadlessSession : public xsignals::trackable
{
public:
    struct Options
    {
        QString enginePath;
        QSize gameSize{1280, 720};
        int fps = 30;
        int seconds = 6;
        QString outputDir = QStringLiteral("out"); // a folder for Y4M, or a .webm/.mkv file
        QString filterWordsFile;                   // empty: the built-in list
        bool startCamera = false;                  // run the virtual camera from the start
        QString layoutFile; // copied over the engine's settings file before init
        QString game;       // empty: the test picture; "desktop"; or a video file
    };

    explicit HeadlessSession(const Options &options);
    ~HeadlessSession() override;

    // Returns the process exit code. Call on the GUI thread, with a QApplication.
    int run();

private:
    void onPreviewSizeChanged(int width, int height);
    void onVideoFrame(unsigned char *pixels, unsigned int stride, ZQSize size,
                      unsigned long timestamp);
    void onVideoSizeChanged(unsigned int width, unsigned int height);

    void _connect(ZqStudio::IPreviewEngine *engine);
    // Lets frames still in the engine arrive: returns once deliveries stop for a moment.
    void _drain() const;

    const Options m_options;
    // Set before the engine's signals are connected and cleared after they are disconnected.
    FrameStats *m_stats = nullptr;
    FrameWriter *m_writer = nullptr;
    std::atomic<int> m_previewWidth{0};
    std::atomic<int> m_previewHeight{0};
    std::atomic<int> m_sizeAnnouncements{0};
};
