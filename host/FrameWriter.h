#pragma once

#include "FramePool.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <thread>

// Writes delivered output frames on its own thread and keeps the last one as a PNG. onFrame()
// copies the frame into a preallocated pool during the call and returns at once (it runs on the
// engine's sender thread, which must never wait); the writer thread hands each frame to the
// subclass's stream. Subclasses call finish() in their destructor.
class FrameWriter
{
public:
    FrameWriter(int fps, int poolSlots);
    virtual ~FrameWriter();

    FrameWriter(const FrameWriter &) = delete;
    FrameWriter &operator=(const FrameWriter &) = delete;

    // Prepares the destination and starts the writer thread.
    bool start(QString *error);
    // The frame size to expect from now on; sizes the pool (allocates: not on the sender thread).
    void announceSize(int width, int height);
    // One frame, 32 bits per pixel in RGB32 byte order (blue, green, red, 0xFF). Copies and
    // returns; drops and counts the frame when no buffer is free or it does not fit.
    void onFrame(const unsigned char *pixels, unsigned int stride, int width, int height,
                 unsigned long timestamp);
    // Writes what is queued, stops the thread, closes the stream and saves the last frame.
    void finish();

    // Where the frames go, for messages.
    virtual QString destination() const = 0;
    // The files written, in order (valid after finish()).
    QStringList streams() const { return m_streams; }
    // The last frame's picture path, or empty when no frame arrived (valid after finish()).
    QString picture() const { return m_picture; }

    std::int64_t written() const { return m_written; }
    std::int64_t droppedPoolFull() const { return m_droppedPoolFull; }
    std::int64_t droppedUnexpectedSize() const { return m_droppedTooLarge; }
    std::int64_t droppedMalformed() const { return m_droppedMalformed; }
    std::int64_t writeErrors() const { return m_writeErrors; }

protected:
    // On start(), before the thread runs: check and clear the destination.
    virtual bool _prepare(QString *error) = 0;
    // Writer thread: frames of this size follow (the first frame, and every change of size).
    virtual void _beginStream(int width, int height) = 0;
    // Writer thread: one frame of the current stream's size; false when it could not be written.
    virtual bool _writeFrame(const FramePool::Frame &frame) = 0;
    // After the thread stopped: close whatever is open.
    virtual void _endStream() = 0;
    // Where the last frame goes.
    virtual QString _picturePath() const = 0;

    void _addStream(const QString &path) { m_streams << path; }

    const int m_fps;

private:
    void _run();

    FramePool m_pool;
    std::thread m_thread;
    bool m_started = false;

    // Writer thread only (and finish(), after the join).
    int m_streamWidth = 0;
    int m_streamHeight = 0;
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
