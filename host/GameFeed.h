#pragma once

#include "GameCapture.h"

#include <QObject>
#include <QSize>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace ZqStudio {
class IPreviewEngine;
}

// Pushes a game capture's frames into the engine and keeps the engine's video size on the
// capture's size: when frames of a new size arrive, the engine is told with setVideoSize (on the
// GUI thread, where it must be called) and frames of that size are pushed from then on. Frames
// that arrive on another thread before the engine has the new size are held back (dropped), so
// every output frame shows the game at its own size. Create and control it on the GUI thread.
class GameFeed
{
public:
    // Called on the capture thread right before each push.
    using BeforePush = std::function<void(unsigned long sampleTime)>;

    GameFeed(ZqStudio::IPreviewEngine *engine, GameCapture *capture);
    ~GameFeed();

    GameFeed(const GameFeed &) = delete;
    GameFeed &operator=(const GameFeed &) = delete;

    bool start(QString *error, GameCapture::Failed failed = {}, BeforePush beforePush = {});
    // Stops the capture; nothing reaches the engine afterwards.
    void stop();

    // The size the engine was last given (empty before the first frame).
    QSize videoSize() const;
    std::int64_t framesPushed() const { return m_pushed; }
    std::int64_t framesHeldBack() const { return m_heldBack; }
    int sizeChanges() const { return m_sizeChanges; }

private:
    void _onFrame(const QImage &frame, unsigned long sampleTime);
    void _applySize(const QSize &size);

    ZqStudio::IPreviewEngine *m_engine;
    GameCapture *const m_capture;
    QObject m_gui; // context of the size changes posted to the GUI thread
    BeforePush m_beforePush;

    mutable std::mutex m_sizeMutex;
    QSize m_applied;        // guarded by m_sizeMutex
    QSize m_requested;      // guarded by m_sizeMutex
    bool m_running = false; // guarded by m_sizeMutex

    std::atomic<std::int64_t> m_pushed{0};
    std::atomic<std::int64_t> m_heldBack{0};
    std::atomic<int> m_sizeChanges{0};
};
