#include "FrameStats.h"

#include <QtTest>

#include <climits>
#include <numeric>
#include <thread>

using Samples = std::vector<std::int64_t>;
Q_DECLARE_METATYPE(Samples)

class tst_FrameStats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void percentile_data();
    void percentile();
    void latencyMatchesByTimestamp();
    void unknownAndRepeatedTimestampsAreUnmatched();
    void latencySurvivesClockWrap();
    void concurrentPushAndDelivery();
};

static Samples range(std::int64_t from, std::int64_t to)
{
    Samples samples(std::size_t(to - from + 1));
    std::iota(samples.begin(), samples.end(), from);
    return samples;
}

void tst_FrameStats::percentile_data()
{
    QTest::addColumn<Samples>("samples");
    QTest::addColumn<double>("p");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("empty") << Samples{} << 99.0 << qint64(0);
    QTest::newRow("one sample") << Samples{42} << 99.0 << qint64(42);
    // 99 of 100 is an exact rank: binary rounding must not push it to the 100th.
    QTest::newRow("p99 of 1..100") << range(1, 100) << 99.0 << qint64(99);
    QTest::newRow("p99 of 1..200") << range(1, 200) << 99.0 << qint64(198);
    QTest::newRow("p99 of 1..10 is the max") << range(1, 10) << 99.0 << qint64(10);
    QTest::newRow("p50 of 1..10") << range(1, 10) << 50.0 << qint64(5);
    QTest::newRow("p100") << Samples{3, 9, 1} << 100.0 << qint64(9);
    QTest::newRow("unsorted input") << Samples{50, 10, 40, 20, 30} << 60.0 << qint64(30);
    QTest::newRow("one outlier in a hundred") << [] {
        Samples s(100, 1000);
        s[37] = 900000;
        return s;
    }() << 99.0 << qint64(1000);
    QTest::newRow("p above 100 is clamped") << range(1, 10) << 250.0 << qint64(10);
    QTest::newRow("p of zero") << range(1, 10) << 0.0 << qint64(0);
}

void tst_FrameStats::percentile()
{
    QFETCH(Samples, samples);
    QFETCH(double, p);
    QFETCH(qint64, expected);
    QCOMPARE(FrameStats::percentile(samples, p), expected);
}

void tst_FrameStats::latencyMatchesByTimestamp()
{
    FrameStats stats(8);
    stats.recordPush(1000, 1000);
    stats.recordPush(2000, 2000);
    stats.recordPush(3000, 3000);
    // Delivered out of order and with different delays; one never delivered.
    stats.recordDelivery(2000, 2500);
    stats.recordDelivery(1000, 1100);

    QCOMPARE(stats.pushed(), 3);
    QCOMPARE(stats.delivered(), 2);
    QCOMPARE(stats.unmatched(), 0);
    const FrameStats::Latency latency = stats.latency();
    QCOMPARE(latency.samples, std::size_t(2));
    QCOMPARE(latency.meanMicros, 300.0);
    QCOMPARE(latency.p99Micros, 500.0);
    QCOMPARE(latency.maxMicros, 500);
}

void tst_FrameStats::unknownAndRepeatedTimestampsAreUnmatched()
{
    FrameStats stats;
    stats.recordPush(10, 10);
    stats.recordDelivery(10, 20);
    stats.recordDelivery(10, 30); // the same frame twice
    stats.recordDelivery(99, 30); // never pushed
    QCOMPARE(stats.delivered(), 3);
    QCOMPARE(stats.unmatched(), 2);
    QCOMPARE(stats.latency().samples, std::size_t(1));
    QCOMPARE(stats.latency().meanMicros, 10.0);
}

void tst_FrameStats::latencySurvivesClockWrap()
{
    FrameStats stats;
    stats.recordPush(ULONG_MAX - 9, ULONG_MAX - 9);
    stats.recordDelivery(ULONG_MAX - 9, 5);
    QCOMPARE(stats.latency().maxMicros, 15);
}

void tst_FrameStats::concurrentPushAndDelivery()
{
    constexpr int Frames = 20000;
    FrameStats stats(Frames);
    std::thread pusher([&] {
        for (int i = 0; i < Frames; ++i)
            stats.recordPush(static_cast<unsigned long>(i), static_cast<unsigned long>(i));
    });
    int delivered = 0;
    while (delivered < Frames) {
        // Deliver only what was pushed, as the engine would; the rest waits for the pusher.
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
