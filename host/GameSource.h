#pragma once

#include "GameCapture.h"
#include "TestPattern.h"

#include <QImage>
#include <QSize>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// The built-in game capture: renders the test picture and hands it on from its own thread at a
// steady frame rate, each frame stamped with the monotonic microsecond clock.
class GameSource : public GameCapture
{
public:
    using Finished = std::function<void()>;

    GameSource(const QSize &size, int fps);
    ~GameSource() override;

    GameSource(const GameSource &) = delete;
    GameSource &operator=(const GameSource &) = delete;

    // Pushes frameCount frames to sink, then calls finished (on the capture thread).
    bool start(std::int64_t frameCount, Sink sink, Finished finished);
    // Runs until stopped.
    bool start(Sink sink, Failed failed, QString *error) override;
    // Ends the run early (or waits for a finished one) and joins the thread.
    void stop() override;
    QString description() const override;

    std::int64_t framesPushed() const { return m_pushed; }
    // Frames that left later than one frame interval after their slot.
    std::int64_t lateFrames() const { return m_late; }

private:
    void _run(std::int64_t frameCount, const Sink &sink, const Finished &finished);

    TestPattern m_pattern;
    const int m_fps;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopRequested = false; // guarded by m_mutex
    std::atomic<std::int64_t> m_pushed{0};
    std::atomic<std::int64_t> m_late{0};
};
