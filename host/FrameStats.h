#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

// Counts game frames pushed and output frames delivered, and measures the time from push to
// delivery by matching each delivered frame's timestamp with the sample time it was pushed with.
// Thread-safe: pushes come from the capture thread, deliveries from the engine's sender thread.
class FrameStats
{
public:
    struct Latency
    {
        std::size_t samples = 0;
        double meanMicros = 0;
        double p99Micros = 0;
        std::int64_t maxMicros = 0;
    };

    // expectedFrames sizes the bookkeeping up front, so recording allocates nothing in a normal
    // run.
    explicit FrameStats(std::size_t expectedFrames = 0);

    void recordPush(unsigned long sampleTime, unsigned long nowMicros);
    void recordDelivery(unsigned long timestamp, unsigned long nowMicros);

    std::int64_t pushed() const;
    std::int64_t delivered() const;
    // Deliveries whose timestamp matched no pushed frame (or matched one already delivered).
    std::int64_t unmatched() const;
    Latency latency() const;

    // Nearest-rank percentile (0 < p <= 100) of the samples; 0 for no samples.
    static std::int64_t percentile(std::vector<std::int64_t> samples, double p);
    static double mean(const std::vector<std::int64_t> &samples);

private:
    mutable std::mutex m_mutex;
    std::unordered_map<unsigned long, unsigned long> m_pending; // sample time -> push time
    std::vector<std::int64_t> m_latencies;
    std::int64_t m_pushed = 0;
    std::int64_t m_delivered = 0;
    std::int64_t m_unmatched = 0;
};
