#include "Y4mWriter.h"

#include <libyuv/convert_from_argb.h>

#include <QDir>
#include <QtGlobal>

#include <cstring>

namespace {

// Larger frames than this are not a real output; refuse them rather than reserve gigabytes.
constexpr int MaxSide = 16384;

} // namespace

Y4mWriter::Y4mWriter(const QString &directory, int fps, int poolSlots)
    : m_directory(directory)
    , m_fps(qMax(1, fps))
    , m_pool(poolSlots)
{}

Y4mWriter::~Y4mWriter()
{
    finish();
}

QByteArray Y4mWriter::streamHeader(int width, int height, int fps)
{
    // Progressive, square pixels, centred (JPEG) chroma siting, studio-range samples as
    // ARGBToI420 produces them.
    return QStringLiteral("YUV4MPEG2 W%1 H%2 F%3:1 Ip A1:1 C420jpeg XYSCSS=420JPEG "
                          "XCOLORRANGE=LIMITED\n")
        .arg(width)
        .arg(height)
        .arg(fps)
        .toLatin1();
}

QString Y4mWriter::streamFileName(int number)
{
    return number <= 1 ? QStringLiteral("demo.y4m") : QStringLiteral("demo-%1.y4m").arg(number);
}

bool Y4mWriter::start(QString *error)
{
    if (m_started)
        return true;
    QDir dir(m_directory);
    if (!dir.mkpath(QStringLiteral("."))) {
        *error = QStringLiteral("cannot create the output folder %1").arg(m_directory);
        return false;
    }
    // Leftovers of an earlier run would pass for this run's output.
    const QStringList stale = dir.entryList(
        {QStringLiteral("demo.y4m"), QStringLiteral("demo-*.y4m"), QStringLiteral("demo.png")},
        QDir::Files);
    for (const QString &name : stale) {
        if (!dir.remove(name)) {
            *error = QStringLiteral("cannot remove the old %1").arg(dir.filePath(name));
            return false;
        }
    }
    m_started = true;
    m_thread = std::thread([this] { _run(); });
    return true;
}

void Y4mWriter::announceSize(int width, int height)
{
    if (width < 1 || height < 1 || width > MaxSide || height > MaxSide)
        return;
    m_pool.reserve(std::size_t(width) * std::size_t(height) * 4);
}

void Y4mWriter::onFrame(const unsigned char *pixels, unsigned int stride, int width, int height,
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

void Y4mWriter::finish()
{
    if (!m_started)
        return;
    m_started = false;
    m_pool.close();
    if (m_thread.joinable())
        m_thread.join();
    _endStream();
    if (!m_last.isNull()) {
        const QString path = QDir(m_directory).filePath(QStringLiteral("demo.png"));
        if (m_last.save(path, "PNG"))
            m_picture = path;
        else
            qWarning("previewhost: cannot write %s", qPrintable(path));
    }
}

void Y4mWriter::_run()
{
    for (;;) {
        const int index = m_pool.take();
        if (index < 0)
            break;
        const FramePool::Frame &frame = m_pool.frame(index);
        if (frame.width != m_streamWidth || frame.height != m_streamHeight)
            _beginStream(frame.width, frame.height);
        _writeFrame(frame);
        m_pool.recycle(index);
    }
}

bool Y4mWriter::_beginStream(int width, int height)
{
    const bool first = m_streamNumber == 0;
    _endStream();
    ++m_streamNumber;
    m_streamWidth = width;
    m_streamHeight = height;
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    m_i420.resize(std::size_t(width) * std::size_t(height) +
                  2 * std::size_t(chromaWidth) * std::size_t(chromaHeight));
    m_last = QImage(width, height, QImage::Format_RGB32);

    const QString path = QDir(m_directory).filePath(streamFileName(m_streamNumber));
    if (!first)
        qInfo("previewhost: output size is now %dx%d; a stream has one size, so writing %s", width,
              height, qPrintable(path));
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qWarning("previewhost: cannot write %s: %s", qPrintable(path),
                 qPrintable(m_file.errorString()));
        return false;
    }
    const QByteArray header = streamHeader(width, height, m_fps);
    if (m_file.write(header) != header.size()) {
        qWarning("previewhost: cannot write %s: %s", qPrintable(path),
                 qPrintable(m_file.errorString()));
        m_file.close();
        return false;
    }
    m_streams << path;
    return true;
}

void Y4mWriter::_endStream()
{
    if (m_file.isOpen())
        m_file.close();
}

void Y4mWriter::_writeFrame(const FramePool::Frame &frame)
{
    const int width = frame.width;
    const int height = frame.height;
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    std::uint8_t *const y = m_i420.data();
    std::uint8_t *const u = y + std::size_t(width) * std::size_t(height);
    std::uint8_t *const v = u + std::size_t(chromaWidth) * std::size_t(chromaHeight);
    // libyuv's "ARGB" is the little-endian word, i.e. bytes blue, green, red, alpha: RGB32.
    libyuv::ARGBToI420(frame.pixels.data(), width * 4, y, width, u, chromaWidth, v, chromaWidth,
                       width, height);

    for (int row = 0; row < height; ++row)
        std::memcpy(m_last.scanLine(row), frame.pixels.data() + std::size_t(row) * width * 4,
                    std::size_t(width) * 4);

    if (!m_file.isOpen()) {
        ++m_writeErrors;
        return;
    }
    static const QByteArray marker("FRAME\n");
    const qint64 planes = qint64(m_i420.size());
    if (m_file.write(marker) != marker.size() ||
        m_file.write(reinterpret_cast<const char *>(m_i420.data()), planes) != planes) {
        ++m_writeErrors;
        qWarning("previewhost: cannot write %s: %s", qPrintable(m_file.fileName()),
                 qPrintable(m_file.errorString()));
        m_file.close();
        return;
    }
    ++m_written;
}
