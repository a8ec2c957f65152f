#include "FrameRateAdjust.h"

#include <chrono>

bool FrameRateAdjust::init()
{
    using Period = std::chrono::steady_clock::period;
    m_frequency = Period::num == 1 ? static_cast<std::int64_t>(Period::den) : 0;
    return m_frequency > 0;
}

std::int64_t FrameRateAdjust::now()
{
    return std::chrono::steady_clock::now().time_since_epoch().count();
}
