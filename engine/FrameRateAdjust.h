#pragma once

#include <cstdint>

// Ticks of the monotonic clock, for measuring frame intervals.
class FrameRateAdjust
{
public:
    // Reads the clock's frequency; false (frequency 0) when the clock is unusable.
    bool init();

    std::int64_t frequency() const { return m_frequency; }
    static std::int64_t now();

private:
    std::int64_t m_frequency = 0;
};
