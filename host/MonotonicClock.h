#pragma once

#include <chrono>

// Microseconds on the steady clock since the first call in this process. Game frames carry this
// value as their sample time, so push-to-delivery latency is a plain difference; counting from
// process start keeps it far from wrapping even where unsigned long has 32 bits (71 minutes).
class MonotonicClock
{
public:
    static unsigned long nowMicros()
    {
        using Clock = std::chrono::steady_clock;
        static const Clock::time_point origin = Clock::now();
        return static_cast<unsigned long>(
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - origin).count());
    }
};
