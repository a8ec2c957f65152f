#include "FrameStats.h"

#include <algorithm>
#include <cmath>

FrameStats::FrameStats(std::size_t expectedFrames)
{
    m_pending.reserve(std::min<std::size_t>(expectedFrames, 4096));
    m_latencies.reserve(expectedFrames);
}

void FrameStats::recordPush(unsigned long sampleTime, unsigned long nowMicros)
{
    const std::lock_guard<std::mutex> guard(m_mutex);
    ++m_pushed;
    m_pending[sampleTime] = nowMicros;
}

void FrameStats::recordDelivery(unsigned long timestamp, unsigned long nowMicros)
{
    const std::lock_guard<std::mutex> guard(m_mutex);
    ++m_delivered;
    const auto found = m_pending.find(timestamp);
    if (found == m_pending.end()) {
        ++m_unmatched;
        return;
    }
    // Unsigned difference, so a clock that wrapped between push and delivery still measures right.
    const unsigned long elapsed = nowMicros - found->second;
    m_pending.erase(found);
    m_latencies.push_back(static_cast<std::int64_t>(elapsed));
}

std::int64_t FrameStats::pushed() const
{
    const std::lock_guard<std::mutex> guard(m_mutex);
    return m_pushed;
}

std::int64_t FrameStats::delivered() const
{
    const std::lock_guard<std::mutex> guard(m_mutex);
    return m_delivered;
}

std::int64_t FrameStats::unmatched() const
{
    const std::lock_guard<std::mutex> guard(m_mutex);
    return m_unmatched;
}

FrameStats::Latency FrameStats::latency() const
{
    std::vector<std::int64_t> samples;
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        samples = m_latencies;
    }
    Latency result;
    result.samples = samples.size();
    if (samples.empty())
        return result;
    result.meanMicros = mean(samples);
    result.maxMicros = *std::max_element(samples.begin(), samples.end());
    result.p99Micros = double(percentile(std::move(samples), 99.0));
    return result;
}

std::int64_t FrameStats::percentile(std::vector<std::int64_t> samples, double p)
{
    if (samples.empty() || !(p > 0))
        return 0;
    p = std::min(p, 100.0);
    // Nearest rank: the smallest sample with at least p percent of the samples at or below it.
    // The small allowance keeps binary rounding (0.99 * 100 = 99.00000000000001) from moving
    // the rank up by one.
    const auto rank =
        static_cast<std::size_t>(std::ceil(p * double(samples.size()) / 100.0 - 1e-9));
    const std::size_t index = std::clamp<std::size_t>(rank, 1, samples.size()) - 1;
    std::nth_element(samples.begin(), samples.begin() + std::ptrdiff_t(index), samples.end());
    return samples[index];
}

double FrameStats::mean(const std::vector<std::int64_t> &samples)
{
    if (samples.empty())
        return 0;
    long double sum = 0;
    for (const std::int64_t sample : samples)
        sum += sample;
    return double(sum / samples.size());
}
