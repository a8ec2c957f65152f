#include "FrameWriter.h"

#include <QtGlobal>

#include <cstring>

namespace {

// Larger frames than this are not a real output; refuse them rather than reserve gigabytes.
constexpr int MaxSide = 16384;

} // namespace

FrameWriter::FrameWriter(int fps, int poolSlots)
    : m_fps(qMax(1, fps))
    , m_pool(poolSlots)
{}

FrameWriter::~FrameWriter() = default;

bool FrameWriter::start(QString *error)
{
    if (m_started)
        return true;
    if (!_prepare(error))
        return false;
    m_started = true;
    m_thread = std::thread([this] { _run(); });
    return true;
}

void FrameWriter::announceSize(int width, int height)
{
    if (width < 1 || height < 1 || width > MaxSide || height > MaxSide)
        return;
    m_pool.reserve(std::size_t(width) * std::size_t(height) * 4);
}

void FrameWriter::onFrame(const unsigned char *pixels, unsigned int stride, int width, int height,
                          unsigned long timestamp)
{
    if (!pixels || width < 1 || height < 1 || width > MaxSide || height > MaxSide ||
        std::size_t(stride) < std::size_t(width) * 4) {
        ++m_droppedMalformed;
        if (!m_reportedMalformed.exchange(true))
            qWarning("previewhost: dropping a malformed output frame (%dx%d, %u bytes per line)",
                     width, height, stride);
        return;
    }
    switch (m_pool.put(pixels, stride, width, height, timestamp)) {
    case FramePool::PutResult::Queued:
        break;
    case FramePool::PutResult::PoolFull:
        ++m_droppedPoolFull;
        break;
    case FramePool::PutResult::TooLarge:
        ++m_droppedTooLarge;
        if (!m_reportedTooLarge.exchange(true))
            qWarning("previewhost: dropping %dx%d output frames: that size was never announced",
                     width, height);
        break;
    }
}

void FrameWriter::finish()
{
    if (!m_started)
        return;
    m_started = false;
    m_pool.close();
    if (m_thread.joinable())
        m_thread.join();
    _endStream();
    if (!m_last.isNull()) {
        const QString path = _picturePath();
        if (m_last.save(path, "PNG"))
            m_picture = path;
        else
            qWarning("previewhost: cannot write %s", qPrintable(path));
    }
}

void FrameWriter::_run()
{
    for (;;) {
        const int index = m_pool.take();
        if (index < 0)
            break;
        const FramePool::Frame &frame = m_pool.frame(index);
        if (frame.width != m_streamWidth || frame.height != m_streamHeight) {
            m_streamWidth = frame.width;
            m_streamHeight = frame.height;
            m_last = QImage(frame.width, frame.height, QImage::Format_RGB32);
            _beginStream(frame.width, frame.height);
        }
        if (_writeFrame(frame))
            ++m_written;
        else
            ++m_writeErrors;
        for (int row = 0; row < frame.height; ++row)
            std::memcpy(m_last.scanLine(row),
                        frame.pixels.data() + std::size_t(row) * std::size_t(frame.width) * 4,
                        std::size_t(frame.width) * 4);
        m_pool.recycle(index);
    }
}
