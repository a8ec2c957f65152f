#include "LogThrottle.h"

#include <chrono>

namespace {

std::int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

LogThrottle::LogThrottle(std::int64_t intervalMs)
    : m_intervalMs(intervalMs)
    , m_lastMs(INT64_MIN / 2)
{}

bool LogThrottle::shouldLog(int *suppressed)
{
    const std::int64_t now = nowMs();
    std::int64_t last = m_lastMs.load(std::memory_order_relaxed);
    if (now - last < m_intervalMs ||
        !m_lastMs.compare_exchange_strong(last, now, std::memory_order_relaxed)) {
        m_suppressed.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    const int swallowed = m_suppressed.exchange(0, std::memory_order_relaxed);
    if (suppressed)
        *suppressed = swallowed;
    return true;
}
