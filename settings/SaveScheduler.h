#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// Turns a stream of change notes into few saves. The save runs once changes have paused for
// QuietMs, and at the latest MaxDelayMs after the first change it has not saved, so a burst of
// changes (a drag that reports every mouse move, keys held down) is written once at its end,
// or about twice a second while it lasts, and every change is on disk within a second. GUI
// thread only.
class SaveScheduler
{
public:
    static constexpr int QuietMs = 200;
    static constexpr int MaxDelayMs = 500;

    explicit SaveScheduler(std::function<void()> save);

    void noteChange();
    // The save cannot run now (the user is in the middle of an edit): try again after a pause.
    void retryLater();
    void cancel();
    bool isPending() const { return m_timer.isActive(); }

private:
    QTimer m_timer;
    QElapsedTimer m_firstChange; // invalid while nothing waits
    std::function<void()> m_save;
};
