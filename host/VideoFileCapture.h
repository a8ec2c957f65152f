#pragma once

#include "GameCapture.h"
#include "VideoFrameConverter.h"

#include <QMediaPlayer>
#include <QObject>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class QVideoFrame;
class QVideoSink;

// Plays a video file in a loop through Qt Multimedia and hands each frame on at the file's own
// size and rate, converted to 32 bits per pixel on the thread the player delivers on. Sound is
// not played. Create and control it on the GUI thread.
class VideoFileCapture : public QObject, public GameCapture
{
    Q_OBJECT

public:
    explicit VideoFileCapture(const QString &path, QObject *parent = nullptr);
    ~VideoFileCapture() override;

    bool start(Sink sink, Failed failed, QString *error) override;
    void stop() override;
    QString description() const override;

    std::int64_t framesDelivered() const { return m_delivered; }
    // Times the file played through to its end and started again.
    int loops() const { return m_loops; }

private:
    void onFrame(const QVideoFrame &frame);
    void onMediaStatusChanged(QMediaPlayer::MediaStatus status);
    void _fail(const QString &reason);

    const QString m_path;
    std::unique_ptr<QVideoSink> m_videoSink;
    std::unique_ptr<QMediaPlayer> m_player;
    Failed m_failed;
    bool m_failedOnce = false;
    int m_loops = 0;

    std::mutex m_sinkMutex;          // held while a frame is handed on, so stop() can wait it out
    Sink m_sink;                     // guarded by m_sinkMutex
    VideoFrameConverter m_converter; // guarded by m_sinkMutex
    std::atomic<std::int64_t> m_delivered{0};
};
