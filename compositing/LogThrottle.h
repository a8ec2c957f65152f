#pragma once

#include <atomic>
#include <cstdint>

// Keeps a bad input stream from flooding the log: a call site owns one throttle and asks it
// before writing. The first occurrence is always let through, later ones at most once per
// interval, and the number of swallowed repeats is handed back so the next line can say so.
class LogThrottle
{
public:
    explicit LogThrottle(std::int64_t intervalMs = 5000);

    // True when the caller should write its line now; suppressed receives the number of
    // occurrences swallowed since the last line written. Safe from any thread.
    bool shouldLog(int *suppressed = nullptr);

private:
    const std::int64_t m_intervalMs;
    std::atomic<std::int64_t> m_lastMs;
    std::atomic<int> m_suppressed{0};
};
