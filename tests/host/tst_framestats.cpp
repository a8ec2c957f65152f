#include "FrameStats.h"

#include <QtTest>

#include <climits>
#include <numeric>
#include <thread>

class tst_FrameStats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void percentileUsesExactRanks();
    void latencyMatchesByTimestamp();
    void concurrentPushAndDelivery();
};

static std::vector<std::int64_t> range(std::int64_t from, std::int64_t to)
{
    std::vector<std::int64_t> samples(std::size_t(to - from + 1));
    std::iota(samples.begin(), samples.end(), from);
    return samples;
}

void tst_FrameStats::percentileUsesExactRanks()
{
    QCOMPARE(FrameStats::percentile({}, 99.0), 0);
    // 99 of 100 is an exact rank: binary rounding must not push it to the 100th.
    QCOMPARE(FrameStats::percentile(range(1, 100), 99.0), 99);
    QCOMPARE(FrameStats::percentile(range(1, 200), 99.0), 198);
    QCOMPARE(FrameStats::percentile({50, 10, 40, 20, 30}, 60.0), 30); // unsorted input
    QCOMPARE(FrameStats::percentile(range(1, 10), 250.0), 10);        // clamped to 100
}

void tst_FrameStats::latencyMatchesByTimestamp()
{
    FrameStats stats(8);
    stats.recordPush(1000, 1000);
    stats.recordPush(2000, 2000);
    stats.recordPush(3000, 3000);
    stats.recordPush(ULONG_MAX - 9, ULONG_MAX - 9);
    // Out of order, with different delays, one across the clock's wrap; one never delivered.
    stats.recordDelivery(2000, 2500);
    stats.recordDelivery(1000, 1100);
    stats.recordDelivery(ULONG_MAX - 9, 5);
    stats.recordDelivery(1000, 1200); // the same frame twice
    stats.recordDelivery(99, 300);    // never pushed

    QCOMPARE(stats.pushed(), 4);
    QCOMPARE(stats.delivered(), 5);
    QCOMPARE(stats.unmatched(), 2);
    const FrameStats::Latency latency = stats.latency();
    QCOMPARE(latency.samples, std::size_t(3));
    QCOMPARE(latency.meanMicros, 205.0);
    QCOMPARE(latency.maxMicros, 500);
}

void tst_FrameStats::concurrentPushAndDelivery()
{
    constexpr int Frames = 20000;
    FrameStats stats(Frames);
    std::thread pusher([&] {
        for (int i = 0; i < Frames; ++i)
            stats.recordPush(static_cast<unsigned long>(i), static_cast<unsigned long>(i));
    });
    // Deliver only what was pushed, as the engine would; the rest waits for the pusher.
    for (int delivered = 0; delivered < Frames;) {
        if (stats.pushed() > delivered) {
            stats.recordDelivery(static_cast<unsigned long>(delivered),
                                 static_cast<unsigned long>(delivered) + 7);
            ++delivered;
        }
    }
    pusher.join();
    QCOMPARE(stats.unmatched(), 0);
    QCOMPARE(stats.latency().samples, std::size_t(Frames));
    QCOMPARE(stats.latency().maxMicros, 7);
}

QTEST_GUILESS_MAIN(tst_FrameStats)
#include "tst_framestats.moc"
