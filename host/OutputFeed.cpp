#include "OutputFeed.h"

#include "FrameStats.h"
#include "MonotonicClock.h"

#include <previewengine/IPreviewEngine.h>

#include <QThread>

#include <cmath>

namespace {

// One buffer on screen, one being filled, two waiting: enough for the GUI thread to miss a
// frame now and then without the sender thread dropping any.
constexpr int PoolSlots = 4;

// The engine sends sizes as floats; anything but a positive whole number is a broken frame.
int frameSide(float value)
{
    if (!std::isfinite(value) || value < 1 || value > 16384 || value != std::floor(value))
        return -1;
    return int(value);
}

} // namespace

OutputFeed::OutputFeed(FrameStats *stats, QObject *parent)
    : QObject(parent)
    , m_stats(stats)
    , m_pool(PoolSlots)
{}

OutputFeed::~OutputFeed()
{
    // Deliveries run on the engine's sender thread: wait for them before anything goes.
    disconnect_all();
}

void OutputFeed::attach(ZqStudio::IPreviewEngine *engine)
{
    if (!engine)
        return;
    // Buffers for the frames the engine makes now, before the first one arrives.
    _applyOutputSize(QSize(engine->getVideoWidth(), engine->getVideoHeight()));
    engine->sigVideoSizeChanged.connect(this, &OutputFeed::onVideoSizeChanged);
    engine->sigVideoFrame.connect(this, &OutputFeed::onVideoFrame);
}

void OutputFeed::detach()
{
    disconnect_all();
}

const FramePool::Frame *OutputFeed::latest() const
{
    return m_shown >= 0 ? &m_pool.frame(m_shown) : nullptr;
}

// On the engine's sender thread: copy, wake the GUI thread, return. Never wait, never allocate
// beyond the one posted wake-up per batch.
void OutputFeed::onVideoFrame(unsigned char *pixels, unsigned int stride, ZQSize size,
                              unsigned long timestamp)
{
    if (m_stats)
        m_stats->recordDelivery(timestamp, MonotonicClock::nowMicros());
    ++m_received;
    const int width = frameSide(size.width);
    const int height = frameSide(size.height);
    if (!pixels || width < 0 || height < 0 || stride < unsigned(width) * 4) {
        ++m_dropped;
        return;
    }
    if (m_pool.put(pixels, stride, width, height, timestamp) != FramePool::PutResult::Queued) {
        ++m_dropped;
        return;
    }
    if (!m_wakePending.exchange(true))
        QMetaObject::invokeMethod(this, &OutputFeed::_collect, Qt::QueuedConnection);
}

// On the GUI thread, or on a capture thread when the engine notices a new size while composing.
void OutputFeed::onVideoSizeChanged(unsigned int width, unsigned int height)
{
    if (width < 1 || height < 1 || width > 16384 || height > 16384)
        return;
    const QSize size{int(width), int(height)};
    if (QThread::currentThread() == thread()) {
        _applyOutputSize(size);
        return;
    }
    // Buffers grow here, off the sender thread, so frames of the new size find room at once.
    _reserve(size);
    QMetaObject::invokeMethod(
        this, [this, size] { _applyOutputSize(size); }, Qt::QueuedConnection);
}

void OutputFeed::_reserve(const QSize &size)
{
    if (size.width() > 0 && size.height() > 0)
        m_pool.reserve(std::size_t(size.width()) * std::size_t(size.height()) * 4);
}

void OutputFeed::_applyOutputSize(const QSize &size)
{
    _reserve(size);
    if (size == m_outputSize || size.isEmpty())
        return;
    m_outputSize = size;
    Q_EMIT outputSizeChanged(size);
}

void OutputFeed::_collect()
{
    // Cleared first: a frame queued while collecting posts a new wake-up.
    m_wakePending = false;
    int newest = -1;
    for (int index = m_pool.tryTake(); index >= 0; index = m_pool.tryTake()) {
        if (newest >= 0) {
            m_pool.recycle(newest);
            ++m_skipped;
        }
        newest = index;
    }
    if (newest < 0)
        return;
    if (m_shown >= 0)
        m_pool.recycle(m_shown);
    m_shown = newest;
    Q_EMIT frameArrived();
}
