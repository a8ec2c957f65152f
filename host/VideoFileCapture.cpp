#include "VideoFileCapture.h"

#include "MonotonicClock.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>

VideoFileCapture::VideoFileCapture(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
{}

VideoFileCapture::~VideoFileCapture()
{
    stop();
}

QString VideoFileCapture::description() const
{
    return QDir::toNativeSeparators(m_path);
}

bool VideoFileCapture::start(Sink sink, Failed failed, QString *error)
{
    stop();
    const QFileInfo file(m_path);
    if (!file.isFile() || !file.isReadable()) {
        *error = QStringLiteral("cannot read the video file %1").arg(description());
        return false;
    }
    {
        const std::lock_guard<std::mutex> guard(m_sinkMutex);
        m_sink = std::move(sink);
    }
    m_failed = std::move(failed);
    m_failedOnce = false;
    m_loops = 0;
    m_videoSink = std::make_unique<QVideoSink>();
    m_player = std::make_unique<QMediaPlayer>();
    m_player->setVideoSink(m_videoSink.get());
    m_player->setLoops(QMediaPlayer::Infinite);
    // Direct: converted and handed on on the thread that delivers the frame.
    connect(
        m_videoSink.get(), &QVideoSink::videoFrameChanged, m_videoSink.get(),
        [this](const QVideoFrame &frame) { onFrame(frame); }, Qt::DirectConnection);
    connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, this,
            &VideoFileCapture::onMediaStatusChanged);
    connect(m_player.get(), &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString &text) { _fail(text); });
    m_player->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    m_player->play();
    return true;
}

void VideoFileCapture::stop()
{
    {
        const std::lock_guard<std::mutex> guard(m_sinkMutex);
        m_sink = nullptr;
    }
    if (!m_player)
        return;
    m_player->disconnect(this);
    m_player->stop();
    m_player.reset();
    m_videoSink.reset();
}

void VideoFileCapture::onMediaStatusChanged(QMediaPlayer::MediaStatus status)
{
    switch (status) {
    case QMediaPlayer::InvalidMedia:
        _fail(QStringLiteral("not a video file this system can play"));
        break;
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferedMedia:
        if (!m_player->hasVideo())
            _fail(QStringLiteral("the file has no video"));
        break;
    case QMediaPlayer::EndOfMedia:
        // Looping should never end; a backend that does not loop is started over.
        ++m_loops;
        m_player->setPosition(0);
        m_player->play();
        break;
    default:
        break;
    }
}

void VideoFileCapture::_fail(const QString &reason)
{
    if (m_failedOnce)
        return;
    m_failedOnce = true;
    const QString message = QStringLiteral("cannot play %1: %2").arg(description(), reason);
    qWarning("previewhost: %s", qPrintable(message));
    if (m_failed)
        m_failed(message);
}

void VideoFileCapture::onFrame(const QVideoFrame &frame)
{
    const std::lock_guard<std::mutex> guard(m_sinkMutex);
    if (!m_sink || !frame.isValid())
        return;
    if (m_converter.convert(frame) != VideoFrameConverter::Result::Converted)
        return;
    ++m_delivered;
    m_sink(m_converter.image(), MonotonicClock::nowMicros());
}
