#pragma once

#include <appcommon/sigslot.h>

#include <previewengine/HostTypes.h>

#include <QSize>
#include <QString>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace ZqStudio {
class IPreviewEngine;
}

// Drives the engine the way a streaming application does, without a window: load, create,
// connect, init, size, push game frames from a capture thread at a steady rate, shut down,
// release, unload; then report what happened.
class HeadlessSession : public sigslot::has_slots
{
public:
    struct Options
    {
        QString enginePath;
        QSize gameSize{1280, 720};
        int fps = 30;
        int frames = 30;
    };

    explicit HeadlessSession(const Options &options);
    ~HeadlessSession() override;

    // Returns the process exit code.
    int run();

private:
    void onPreviewSizeChanged(int width, int height);
    void onVideoFrame(unsigned char *pixels, unsigned int stride, ZQSize size,
                      unsigned long timestamp);
    void onVideoSizeChanged(unsigned int width, unsigned int height);
    void onOpenCamera(const std::wstring &device, tagSIZE size1, tagSIZE size2, int fps, bool flag);
    void onCloseCamera();

    void _connect(ZqStudio::IPreviewEngine *engine);
    void _pushFrames(ZqStudio::IPreviewEngine *engine);

    const Options m_options;
    std::atomic<std::int64_t> m_pushed{0};
    std::atomic<std::int64_t> m_delivered{0};
    std::atomic<int> m_previewWidth{0};
    std::atomic<int> m_previewHeight{0};
    std::atomic<int> m_sizeAnnouncements{0};
    std::atomic<int> m_cameraRequests{0};
};
