#include "FramePool.h"

#include <algorithm>
#include <cstring>

FramePool::FramePool(int slots)
    : m_frames(std::size_t(std::max(1, slots)))
    , m_queue(m_frames.size(), -1)
{
    m_free.reserve(m_frames.size());
    for (int i = int(m_frames.size()) - 1; i >= 0; --i)
        m_free.push_back(i);
}

void FramePool::reserve(std::size_t bytes)
{
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        if (bytes <= m_capacity)
            return;
        m_capacity = bytes;
    }
    // Free buffers are borrowed one at a time to grow without the lock, so the producer always
    // finds the others; buffers in use grow when they come back.
    for (std::size_t grown = 0; grown < m_frames.size(); ++grown) {
        int index = -1;
        {
            const std::lock_guard<std::mutex> guard(m_mutex);
            const auto small = std::find_if(m_free.begin(), m_free.end(), [this](int i) {
                return m_frames[std::size_t(i)].pixels.size() < m_capacity;
            });
            if (small == m_free.end())
                return;
            index = *small;
            m_free.erase(small);
        }
        _giveBack(index);
    }
}

FramePool::PutResult FramePool::put(const std::uint8_t *pixels, unsigned int stride, int width,
                                    int height, unsigned long timestamp)
{
    int index = -1;
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        if (m_free.empty() || m_closed)
            return PutResult::PoolFull;
        index = m_free.back();
        m_free.pop_back();
    }
    Frame &frame = m_frames[std::size_t(index)];
    const std::size_t rowBytes = std::size_t(width) * 4;
    const std::size_t bytes = rowBytes * std::size_t(height);
    if (bytes > frame.pixels.size()) {
        const std::lock_guard<std::mutex> guard(m_mutex);
        m_free.push_back(index);
        return PutResult::TooLarge;
    }
    for (int y = 0; y < height; ++y)
        std::memcpy(frame.pixels.data() + rowBytes * std::size_t(y),
                    pixels + std::size_t(stride) * std::size_t(y), rowBytes);
    frame.width = width;
    frame.height = height;
    frame.timestamp = timestamp;
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        m_queue[(m_head + m_queued) % m_queue.size()] = index;
        ++m_queued;
    }
    m_ready.notify_one();
    return PutResult::Queued;
}

int FramePool::take()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_ready.wait(lock, [this] { return m_queued > 0 || m_closed; });
    if (m_queued == 0)
        return -1;
    return _popQueued();
}

int FramePool::tryTake()
{
    const std::lock_guard<std::mutex> guard(m_mutex);
    return m_queued == 0 ? -1 : _popQueued();
}

int FramePool::_popQueued()
{
    const int index = m_queue[m_head];
    m_head = (m_head + 1) % m_queue.size();
    --m_queued;
    return index;
}

void FramePool::recycle(int index)
{
    _giveBack(index);
}

void FramePool::_giveBack(int index)
{
    // The caller owns the buffer until it is back on the free list, so it may grow it without
    // the lock; a buffer that was busy while the pool grew catches up here. Loop, because the
    // pool may grow again while this one is being resized.
    Frame &frame = m_frames[std::size_t(index)];
    for (;;) {
        std::size_t capacity = 0;
        {
            const std::lock_guard<std::mutex> guard(m_mutex);
            capacity = m_capacity;
            if (frame.pixels.size() >= capacity) {
                m_free.push_back(index);
                return;
            }
        }
        frame.pixels.resize(capacity);
    }
}

void FramePool::close()
{
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        m_closed = true;
    }
    m_ready.notify_all();
}
