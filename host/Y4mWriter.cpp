#include "Y4mWriter.h"

#include <libyuv/convert_from_argb.h>

#include <QDir>

Y4mWriter::Y4mWriter(const QString &directory, int fps, int poolSlots)
    : FrameWriter(fps, poolSlots)
    , m_directory(directory)
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

bool Y4mWriter::_prepare(QString *error)
{
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
    return true;
}

QString Y4mWriter::_picturePath() const
{
    return QDir(m_directory).filePath(QStringLiteral("demo.png"));
}

void Y4mWriter::_beginStream(int width, int height)
{
    const bool first = m_streamNumber == 0;
    _endStream();
    ++m_streamNumber;
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    m_i420.resize(std::size_t(width) * std::size_t(height) +
                  2 * std::size_t(chromaWidth) * std::size_t(chromaHeight));

    const QString path = QDir(m_directory).filePath(streamFileName(m_streamNumber));
    if (!first)
        qInfo("previewhost: output size is now %dx%d; a stream has one size, so writing %s", width,
              height, qPrintable(path));
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qWarning("previewhost: cannot write %s: %s", qPrintable(path),
                 qPrintable(m_file.errorString()));
        return;
    }
    const QByteArray header = streamHeader(width, height, m_fps);
    if (m_file.write(header) != header.size()) {
        qWarning("previewhost: cannot write %s: %s", qPrintable(path),
                 qPrintable(m_file.errorString()));
        m_file.close();
        return;
    }
    _addStream(path);
}

void Y4mWriter::_endStream()
{
    if (m_file.isOpen())
        m_file.close();
}

bool Y4mWriter::_writeFrame(const FramePool::Frame &frame)
{
    if (!m_file.isOpen())
        return false;
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

    static const QByteArray marker("FRAME\n");
    const qint64 planes = qint64(m_i420.size());
    if (m_file.write(marker) != marker.size() ||
        m_file.write(reinterpret_cast<const char *>(m_i420.data()), planes) != planes) {
        qWarning("previewhost: cannot write %s: %s", qPrintable(m_file.fileName()),
                 qPrintable(m_file.errorString()));
        m_file.close();
        return false;
    }
    return true;
}
