// The output frames the host keeps: the pool they wait in and the statistics read from them.

#include "FramePool.h"
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
    void intervalsReportRateLossAndLatency();
    void poolDropsWhenEveryBufferIsBusy();
    void poolProducerConsumerAndGrowthTogether();
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

// What the window's status line shows: each interval on its own, and frames the engine dropped
// counted once and forgotten, so a long run keeps no memory of them.
void tst_FrameStats::intervalsReportRateLossAndLatency()
{
    FrameStats stats(0, FrameStats::History::IntervalsOnly);
    // First second: 60 frames pushed every 16 ms from t = 1 s, all but the last two delivered
    // 2 ms later, frame 10 after 9 ms.
    for (unsigned long i = 0; i < 60; ++i)
        stats.recordPush(i, 1000000 + i * 16000);
    for (unsigned long i = 0; i < 58; ++i)
        stats.recordDelivery(i, 1000000 + i * 16000 + (i == 10 ? 9000 : 2000));
    FrameStats::Interval first = stats.takeInterval(2000000);
    QCOMPARE(first.seconds, 1.0);
    QCOMPARE(first.pushed, 60);
    QCOMPARE(first.delivered, 58);
    QCOMPARE(first.deliveredPerSecond(), 58.0);
    QCOMPARE(first.lost, 0); // the last two may still come
    QCOMPARE(first.latency.samples, std::size_t(58));
    QCOMPARE(first.latency.maxMicros, 9000);
    QCOMPARE(first.latency.p99Micros, 9000.0);
    QCOMPARE(first.latency.meanMicros, (57 * 2000.0 + 9000.0) / 58);

    // Half a second later: one of the two arrives late, the other is given up on; a push that
    // raced with the reader (stamped after its clock reading) is not lost.
    stats.recordDelivery(58, 2200000);
    stats.recordPush(1000, 2500001);
    FrameStats::Interval second = stats.takeInterval(2500000, 300000);
    QCOMPARE(second.seconds, 0.5);
    QCOMPARE(second.delivered, 1);
    QCOMPARE(second.lost, 1);
    QCOMPARE(second.latency.samples, std::size_t(1));
    QCOMPARE(second.latency.meanMicros, double(2200000 - (1000000 + 58 * 16000)));
    QCOMPARE(stats.lost(), 1);
    // A frame given up on that turns up after all is not matched twice.
    stats.recordDelivery(59, 2600000);
    QCOMPARE(stats.unmatched(), 1);
    const FrameStats::Interval third = stats.takeInterval(2600000, 300000);
    QCOMPARE(third.lost, 0);
    QCOMPARE(third.latency.samples, std::size_t(0));
    // Nothing is kept for the whole run in this mode.
    QCOMPARE(stats.latency().samples, std::size_t(0));
}

void tst_FrameStats::poolDropsWhenEveryBufferIsBusy()
{
    FramePool pool(2);
    pool.reserve(16);
    const std::vector<std::uint8_t> pixels(16, 7);
    QCOMPARE(pool.put(pixels.data(), 8, 2, 2, 1), FramePool::PutResult::Queued);
    QCOMPARE(pool.put(pixels.data(), 8, 2, 2, 2), FramePool::PutResult::Queued);
    QCOMPARE(pool.put(pixels.data(), 8, 2, 2, 3), FramePool::PutResult::PoolFull);
    // A recycled buffer is free again; the dropped frame never shows up.
    const int first = pool.take();
    QCOMPARE(pool.frame(first).timestamp, 1ul);
    pool.recycle(first);
    QCOMPARE(pool.put(pixels.data(), 8, 2, 2, 4), FramePool::PutResult::Queued);
    QCOMPARE(pool.frame(pool.take()).timestamp, 2ul);
    QCOMPARE(pool.frame(pool.take()).timestamp, 4ul);
}

// Frames carry their sequence number in every byte; the consumer checks order and content while
// a third thread keeps growing the pool. After close, queued frames drain, then take() ends.
void tst_FrameStats::poolProducerConsumerAndGrowthTogether()
{
    constexpr int Frames = 3000;
    FramePool pool(4);
    pool.reserve(16 * 16 * 4);
    std::atomic<bool> done{false};
    bool refusedAfterClose = false;
    std::thread grower([&] {
        for (int side = 17; side < 64 && !done; ++side) {
            pool.reserve(std::size_t(side * side * 4));
            std::this_thread::yield();
        }
    });
    std::thread producer([&] {
        std::vector<std::uint8_t> pixels(16 * 16 * 4);
        for (int i = 1; i <= Frames; ++i) {
            std::fill(pixels.begin(), pixels.end(), std::uint8_t(i));
            pool.put(pixels.data(), 64, 16, 16, static_cast<unsigned long>(i));
        }
        pool.close();
        refusedAfterClose =
            pool.put(pixels.data(), 64, 16, 16, Frames + 1) == FramePool::PutResult::PoolFull;
    });
    unsigned long last = 0;
    int taken = 0;
    bool intact = true;
    for (int index = pool.take(); index >= 0; index = pool.take()) {
        const FramePool::Frame &frame = pool.frame(index);
        intact = intact && frame.timestamp > last && frame.width == 16 && frame.height == 16 &&
                 frame.pixels[0] == std::uint8_t(frame.timestamp) &&
                 frame.pixels[16 * 16 * 4 - 1] == std::uint8_t(frame.timestamp);
        last = frame.timestamp;
        ++taken;
        pool.recycle(index);
    }
    done = true;
    producer.join();
    grower.join();
    QVERIFY(intact);
    QVERIFY(taken > 0);
    QVERIFY(refusedAfterClose);
}

QTEST_GUILESS_MAIN(tst_FrameStats)
#include "tst_framestats.moc"
