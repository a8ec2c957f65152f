#include "FrameStats.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace {

using Signed = std::make_signed_t<unsigned long>;

// Microseconds from then to now, across a wrap of the clock; negative when then is later (a push
// that raced with the reader).
Signed ageMicros(unsigned long nowMicros, unsigned long thenMicros)
{
    return static_cast<Signed>(nowMicros - thenMicros);
}

} // namespace

FrameStats::FrameStats(std::size_t expectedFrames, History history)
    : m_history(history)
{
    m_pending.reserve(std::min<std::size_t>(expectedFrames, 4096));
    if (m_history == History::WholeRun)
        m_latencies.reserve(expectedFrames);
    m_intervalLatencies.reserve(std::min<std::size_t>(expectedFrames, 1024));
}

void FrameStats::recordPush(unsigned long sampleTime, unsigned long nowMicros)
{
    const std::lock_guard<std::mutex> guard(m_mutex);
    ++m_pushed;
    m_pending[sampleTime] = nowMicros;
    if (!m_intervalStarted) {
        m_intervalStarted = true;
        m_intervalStart = nowMicros;
    }
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
    if (m_history == History::WholeRun)
        m_latencies.push_back(static_cast<std::int64_t>(elapsed));
    m_intervalLatencies.push_back(static_cast<std::int64_t>(elapsed));
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

std::int64_t FrameStats::lost() const
{
    const std::lock_guard<std::mutex> guard(m_mutex);
    return m_lost;
}

FrameStats::Latency FrameStats::latency() const
{
    std::vector<std::int64_t> samples;
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        samples = m_latencies;
    }
    return _summary(std::move(samples));
}

FrameStats::Interval FrameStats::takeInterval(unsigned long nowMicros,
                                              unsigned long lostAfterMicros)
{
    Interval interval;
    std::vector<std::int64_t> samples;
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        // A frame the engine dropped is never delivered: forget it once it is surely late, or the
        // table would grow for as long as the window runs.
        for (auto it = m_pending.begin(); it != m_pending.end();) {
            if (ageMicros(nowMicros, it->second) > Signed(lostAfterMicros)) {
                it = m_pending.erase(it);
                ++m_lost;
            } else {
                ++it;
            }
        }
        if (m_intervalStarted)
            interval.seconds =
                double(std::max<Signed>(0, ageMicros(nowMicros, m_intervalStart))) / 1e6;
        m_intervalStarted = true;
        m_intervalStart = nowMicros;
        interval.pushed = m_pushed - m_intervalPushed;
        interval.delivered = m_delivered - m_intervalDelivered;
        interval.lost = m_lost - m_intervalLost;
        m_intervalPushed = m_pushed;
        m_intervalDelivered = m_delivered;
        m_intervalLost = m_lost;
        // Copied rather than swapped, so the sender thread keeps a buffer that needs no allocation.
        samples.assign(m_intervalLatencies.begin(), m_intervalLatencies.end());
        m_intervalLatencies.clear();
    }
    interval.latency = _summary(std::move(samples));
    return interval;
}

FrameStats::Latency FrameStats::_summary(std::vector<std::int64_t> samples)
{
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
