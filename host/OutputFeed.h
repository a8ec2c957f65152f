#pragma once

#include "FramePool.h"

#include <previewengine/HostTypes.h>
#include <previewengine/xsignals/xsignals.h>

#include <QObject>
#include <QSize>

#include <atomic>
#include <cstdint>

namespace ZqStudio {
class IPreviewEngine;
}

class FrameStats;

// The engine's composed frames, handed from its sender thread to the GUI thread. On the sender
// thread each frame is copied into a free buffer of a small pool and the call returns; when no
// buffer is free the frame is dropped and counted, so the engine never waits for the GUI. The GUI
// thread is woken at most once per batch, takes the newest frame and gives older ones back.
// Create and use it on the GUI thread.
class OutputFeed : public QObject, public xsignals::trackable
{
    Q_OBJECT

public:
    // stats (optional) records every delivery for the push-to-delivery latency.
    explicit OutputFeed(FrameStats *stats = nullptr, QObject *parent = nullptr);
    ~OutputFeed() override;

    // Receives the engine's frames and output size changes from now on.
    void attach(ZqStudio::IPreviewEngine *engine);
    // Receives nothing more; returns once no delivery is running. Keeps the frame shown.
    void detach();

    // The newest frame handed to the GUI thread (pixels of 4 * width bytes per row), or null.
    // Valid until the next frameArrived() or detach().
    const FramePool::Frame *latest() const;
    QSize outputSize() const { return m_outputSize; }

    std::int64_t received() const { return m_received; }
    // Frames that found no free buffer, or did not fit or make sense.
    std::int64_t dropped() const { return m_dropped; }
    // Frames replaced by a newer one before the GUI thread got to them.
    std::int64_t skipped() const { return m_skipped; }

Q_SIGNALS:
    void frameArrived();
    void outputSizeChanged(const QSize &size);

private:
    void onVideoFrame(unsigned char *pixels, unsigned int stride, ZQSize size,
                      unsigned long timestamp);
    void onVideoSizeChanged(unsigned int width, unsigned int height);

    void _reserve(const QSize &size);
    void _collect();
    void _applyOutputSize(const QSize &size);

    FrameStats *const m_stats;
    FramePool m_pool;
    int m_shown = -1; // GUI thread: the buffer held for display
    QSize m_outputSize;
    std::atomic<bool> m_wakePending{false};
    std::atomic<std::int64_t> m_received{0};
    std::atomic<std::int64_t> m_dropped{0};
    std::atomic<std::int64_t> m_skipped{0};
};
