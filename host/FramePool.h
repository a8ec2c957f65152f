#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// A fixed set of frame buffers handed from a producer that must never wait (the engine's sender
// thread) to one consumer thread. The producer copies a frame into a free buffer or, when none is
// free, drops it; the consumer takes frames in arrival order and gives the buffers back.
class FramePool
{
public:
    struct Frame
    {
        std::vector<std::uint8_t> pixels; // rows of 4 * width bytes, no padding
        int width = 0;
        int height = 0;
        unsigned long timestamp = 0;
    };

    enum class PutResult { Queued, PoolFull, TooLarge };

    explicit FramePool(int slots);

    FramePool(const FramePool &) = delete;
    FramePool &operator=(const FramePool &) = delete;

    int slotCount() const { return int(m_frames.size()); }

    // Makes every buffer hold at least bytes. Allocates, so call it from neither the producer nor
    // with a lock held; free buffers grow one at a time, buffers in use when they come back.
    void reserve(std::size_t bytes);

    // Producer: copies a 32-bit frame (stride bytes per row) into a free buffer. Never waits.
    PutResult put(const std::uint8_t *pixels, unsigned int stride, int width, int height,
                  unsigned long timestamp);

    // Consumer: the index of the next frame, waiting for one; -1 once closed and drained.
    int take();
    // Consumer that must not wait (a GUI thread): the next frame's index, or -1 when none is
    // queued.
    int tryTake();
    Frame &frame(int index) { return m_frames[std::size_t(index)]; }
    const Frame &frame(int index) const { return m_frames[std::size_t(index)]; }
    // Consumer: gives a taken buffer back.
    void recycle(int index);

    // Lets take() return -1 once the queued frames are consumed.
    void close();

private:
    int _popQueued(); // with m_mutex held and a frame queued
    void _giveBack(int index);

    std::vector<Frame> m_frames;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::vector<int> m_free;    // guarded by m_mutex; capacity = slot count
    std::vector<int> m_queue;   // guarded; ring of queued indices in arrival order
    std::size_t m_head = 0;     // guarded
    std::size_t m_queued = 0;   // guarded
    std::size_t m_capacity = 0; // guarded; bytes every buffer should hold
    bool m_closed = false;      // guarded
};
