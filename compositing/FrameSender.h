#pragma once

#include <appcommon/ZqCriticalSection.h>

#include <QImage>
#include <QSize>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

class SpanPicture;
class IPreviewController;

// Hands composed frames to the host. Three reusable frame slots: the compositor takes a free one
// for each game frame (beginFrame, on the capture thread, under lock()), composes into it and
// hands it over (sendFrame); a sender thread stamps the watermark and emits the frames to the
// host in timestamp order. When all three slots still wait for delivery the new frame is
// dropped, so a slow host costs frame rate, never capture time or memory.
class FrameSender
{
public:
    static constexpr int SlotCount = 3;
    static constexpr int StopTimeoutMs = 30000;

    // controller receives the frames and size announcements for the host.
    explicit FrameSender(IPreviewController *controller = nullptr);
    ~FrameSender();

    FrameSender(const FrameSender &) = delete;
    FrameSender &operator=(const FrameSender &) = delete;

    // Starts the sender thread (if not running) and (re)loads the watermark resource.
    void start();
    // Ends the sender thread and releases the slots. A thread inside the host's receiver is
    // not waited for (it ends when the receiver returns); any other is, at most StopTimeoutMs.
    void stop();
    bool isRunning() const;

    // A free slot's picture for a frame of size (reallocated when the size changed), stamped
    // with timestamp, to compose into; null when every slot still waits for delivery (the
    // frame is dropped and counted), the sender is stopped or the size unusable. Announces size
    // when it is not the last one announced, even for a dropped frame. Under lock().
    QImage *beginFrame(const QSize &size, unsigned long timestamp);
    // Hands the frame begun last to the sender thread.
    void sendFrame();

    // Announces size to the host with sigVideoSizeChanged unless it was the last size
    // announced; every distinct change is announced exactly once. Any thread.
    bool announceOutputSize(const QSize &size);

    // Replaces the watermark (any format; converted to non-premultiplied ARGB). A null
    // picture disables stamping.
    void setWatermark(const QImage &watermark);

    // Held around a whole composition, from beginFrame() to sendFrame(); start and stop take it
    // as well. Recursive.
    ZqCriticalSection &lock() { return m_lock; }

    // Frames composed, and frames dropped because no slot was free, since construction.
    std::uint64_t composedCount() const { return m_composed.load(); }
    std::uint64_t droppedCount() const { return m_dropped.load(); }

    // The watermark's size at an output height: each side scaled by height / 1080, truncated.
    static QSize watermarkSize(const QSize &source, int outputHeight);
    // Blends an ARGB (not premultiplied) watermark into the top-left corner of a composed
    // frame (opaque: every fourth byte 0xFF), clipped to the frame. Per colour byte, with a the
    // watermark's alpha and s its byte, integer arithmetic:
    // d = min((s * a - ((a * d * 255) >> 8) + d * 255) / 255, 255); where a is 0 that is d.
    static void stampWatermark(QImage *frame, const SpanPicture &watermark);

private:
    struct Shared;

    void _run(std::shared_ptr<Shared> shared);

    ZqCriticalSection m_lock;
    bool m_running = false;
    IPreviewController *const m_controller; // outlives every running sender
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    std::atomic<std::uint64_t> m_lastAnnounced;
    int m_begun = -1; // the slot between beginFrame() and sendFrame()
    std::atomic<std::uint64_t> m_composed{0};
    std::atomic<std::uint64_t> m_dropped{0};
};
