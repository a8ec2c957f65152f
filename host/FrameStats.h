#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

// Counts game frames pushed and output frames delivered, and measures the time from push to
// delivery by matching each delivered frame's timestamp with the sample time it was pushed with.
// Thread-safe: pushes come from the capture thread, deliveries from the engine's sender thread.
// A run of fixed length reads the whole run's latency at the end; a window that runs for hours
// reads intervals (the last second or so) and keeps nothing of earlier ones.
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

    // What happened between two calls of takeInterval().
    struct Interval
    {
        double seconds = 0;
        std::int64_t pushed = 0;
        std::int64_t delivered = 0;
        // Pushed frames found undelivered after the time limit; counted once, then forgotten.
        std::int64_t lost = 0;
        Latency latency;

        double deliveredPerSecond() const { return seconds > 0 ? double(delivered) / seconds : 0; }
    };

    enum class History { WholeRun, IntervalsOnly };

    // expectedFrames sizes the bookkeeping up front, so recording allocates nothing in a normal
    // run. IntervalsOnly keeps no samples for latency(), so memory stays flat however long it runs.
    explicit FrameStats(std::size_t expectedFrames = 0, History history = History::WholeRun);

    void recordPush(unsigned long sampleTime, unsigned long nowMicros);
    void recordDelivery(unsigned long timestamp, unsigned long nowMicros);

    std::int64_t pushed() const;
    std::int64_t delivered() const;
    // Deliveries whose timestamp matched no pushed frame (or matched one already delivered).
    std::int64_t unmatched() const;
    Latency latency() const;
    // Pushed frames given up on by takeInterval(), over the whole run.
    std::int64_t lost() const;

    // Ends the current interval at nowMicros (on the clock of the push times) and starts the next.
    // Pushed frames still undelivered lostAfterMicros after their push count as lost.
    Interval takeInterval(unsigned long nowMicros, unsigned long lostAfterMicros = 1000000);

    // Nearest-rank percentile (0 < p <= 100) of the samples; 0 for no samples.
    static std::int64_t percentile(std::vector<std::int64_t> samples, double p);
    static double mean(const std::vector<std::int64_t> &samples);

private:
    static Latency _summary(std::vector<std::int64_t> samples);

    const History m_history;
    mutable std::mutex m_mutex;
    std::unordered_map<unsigned long, unsigned long> m_pending; // sample time -> push time
    std::vector<std::int64_t> m_latencies;                      // the whole run (WholeRun only)
    std::vector<std::int64_t> m_intervalLatencies;              // since the last takeInterval()
    std::int64_t m_pushed = 0;
    std::int64_t m_delivered = 0;
    std::int64_t m_unmatched = 0;
    std::int64_t m_lost = 0;
    // Where the current interval started.
    bool m_intervalStarted = false;
    unsigned long m_intervalStart = 0;
    std::int64_t m_intervalPushed = 0;
    std::int64_t m_intervalDelivered = 0;
    std::int64_t m_intervalLost = 0;
};
