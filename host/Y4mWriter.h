#pragma once

#include "FramePool.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

// Writes delivered output frames as a YUV4MPEG2 (4:2:0) stream and keeps the last one as a PNG.
// onFrame() copies the frame into a preallocated pool during the call and returns at once; a
// writer thread converts and writes. A stream has a single size, so when the frame size changes
// the writer closes the file and continues in demo-2.y4m, demo-3.y4m, ...
class Y4mWriter
{
public:
    Y4mWriter(const QString &directory, int fps, int poolSlots = 8);
    ~Y4mWriter();

    Y4mWriter(const Y4mWriter &) = delete;
    Y4mWriter &operator=(const Y4mWriter &) = delete;

    // Creates the directory, removes the files of an earlier run and starts the writer thread.
    bool start(QString *error);
    // The frame size to expect from now on; sizes the pool (allocates: not on the sender thread).
    void announceSize(int width, int height);
    // One frame, 32 bits per pixel in RGB32 byte order (blue, green, red, 0xFF). Copies and
    // returns; drops and counts the frame when no buffer is free or it does not fit.
    void onFrame(const unsigned char *pixels, unsigned int stride, int width, int height,
                 unsigned long timestamp);
    // Writes what is queued, stops the thread, closes the stream and saves demo.png.
    void finish();

    QString directory() const { return m_directory; }
    // The streams written, in order (valid after finish()).
    QStringList streams() const { return m_streams; }
    // The last frame's picture path, or empty when no frame arrived (valid after finish()).
    QString picture() const { return m_picture; }

    std::int64_t written() const { return m_written; }
    std::int64_t droppedPoolFull() const { return m_droppedPoolFull; }
    std::int64_t droppedUnexpectedSize() const { return m_droppedTooLarge; }
    std::int64_t droppedMalformed() const { return m_droppedMalformed; }
    std::int64_t writeErrors() const { return m_writeErrors; }

    static QByteArray streamHeader(int width, int height, int fps);
    // "demo.y4m" for the first stream, "demo-<n>.y4m" for the n-th.
    static QString streamFileName(int number);

private:
    void _run();
    bool _beginStream(int width, int height);
    void _endStream();
    void _writeFrame(const FramePool::Frame &frame);

    const QString m_directory;
    const int m_fps;
    FramePool m_pool;
    std::thread m_thread;
    bool m_started = false;

    // Writer thread only (and finish(), after the join).
    QFile m_file;
    int m_streamNumber = 0;
    int m_streamWidth = 0;
    int m_streamHeight = 0;
    std::vector<std::uint8_t> m_i420;
    QImage m_last;
    QStringList m_streams;
    QString m_picture;

    std::atomic<std::int64_t> m_written{0};
    std::atomic<std::int64_t> m_droppedPoolFull{0};
    std::atomic<std::int64_t> m_droppedTooLarge{0};
    std::atomic<std::int64_t> m_droppedMalformed{0};
    std::atomic<std::int64_t> m_writeErrors{0};
    std::atomic<bool> m_reportedMalformed{false};
    std::atomic<bool> m_reportedTooLarge{false};
};
