#include "GameSource.h"

#include "MonotonicClock.h"

#include <QtGlobal>

#include <chrono>
#include <limits>

GameSource::GameSource(const QSize &size, int fps)
    : m_pattern(size)
    , m_fps(qMax(1, fps))
{}

GameSource::~GameSource()
{
    stop();
}

bool GameSource::start(std::int64_t frameCount, Sink sink, Finished finished)
{
    if (m_thread.joinable())
        return false;
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        m_stopRequested = false;
    }
    m_thread = std::thread([this, frameCount, sink = std::move(sink),
                            finished = std::move(finished)] { _run(frameCount, sink, finished); });
    return true;
}

bool GameSource::start(Sink sink, Failed failed, QString *error)
{
    Q_UNUSED(failed)
    if (!start(std::numeric_limits<std::int64_t>::max(), std::move(sink), {})) {
        *error = QStringLiteral("the test picture is already running");
        return false;
    }
    return true;
}

QString GameSource::description() const
{
    return QStringLiteral("the test picture (%1x%2)")
        .arg(m_pattern.size().width())
        .arg(m_pattern.size().height());
}

void GameSource::stop()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        m_stopRequested = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void GameSource::_run(std::int64_t frameCount, const Sink &sink, const Finished &finished)
{
    using Clock = std::chrono::steady_clock;
    const auto interval = std::chrono::microseconds(1000000 / m_fps);
    auto next = Clock::now();
    for (std::int64_t index = 0; index < frameCount; ++index) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_wake.wait_until(lock, next, [this] { return m_stopRequested; }))
                break;
        }
        const QImage &frame = m_pattern.render(index);
        if (Clock::now() > next + interval)
            ++m_late;
        sink(frame, MonotonicClock::nowMicros());
        ++m_pushed;
        // Frames keep their slots on a fixed grid; after a long stall the grid restarts from now
        // rather than bursting to catch up.
        next += interval;
        const auto now = Clock::now();
        if (now > next + 4 * interval)
            next = now;
    }
    if (finished)
        finished();
}
