#include "FramePool.h"

#include <QtTest>

#include <thread>

class tst_FramePool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void takesInArrivalOrder();
    void dropsWhenEveryBufferIsBusy();
    void refusesFramesLargerThanReserved();
    void copiesRowsWithoutTheSourcePadding();
    void busyBuffersGrowWhenRecycled();
    void closeDrainsThenEnds();
    void closeWakesAWaitingConsumer();
    void producerConsumerAndGrowthTogether();
};

static std::vector<std::uint8_t> solid(int width, int height, std::uint8_t value, int padding = 0)
{
    return std::vector<std::uint8_t>(std::size_t(width * 4 + padding) * std::size_t(height), value);
}

void tst_FramePool::takesInArrivalOrder()
{
    FramePool pool(3);
    pool.reserve(4 * 4 * 4);
    for (unsigned long ts = 1; ts <= 3; ++ts) {
        const auto pixels = solid(4, 4, std::uint8_t(ts));
        QCOMPARE(pool.put(pixels.data(), 16, 4, 4, ts), FramePool::PutResult::Queued);
    }
    for (unsigned long ts = 1; ts <= 3; ++ts) {
        const int index = pool.take();
        QVERIFY(index >= 0);
        QCOMPARE(pool.frame(index).timestamp, ts);
        QCOMPARE(pool.frame(index).pixels[0], std::uint8_t(ts));
        pool.recycle(index);
    }
}

void tst_FramePool::dropsWhenEveryBufferIsBusy()
{
    FramePool pool(2);
    pool.reserve(16);
    const auto pixels = solid(2, 2, 7);
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

void tst_FramePool::refusesFramesLargerThanReserved()
{
    FramePool pool(2);
    pool.reserve(8 * 8 * 4);
    const auto big = solid(9, 8, 1);
    QCOMPARE(pool.put(big.data(), 36, 9, 8, 1), FramePool::PutResult::TooLarge);
    // The refused frame did not cost a buffer.
    const auto fits = solid(8, 8, 1);
    QCOMPARE(pool.put(fits.data(), 32, 8, 8, 2), FramePool::PutResult::Queued);
    QCOMPARE(pool.put(fits.data(), 32, 8, 8, 3), FramePool::PutResult::Queued);
}

void tst_FramePool::copiesRowsWithoutTheSourcePadding()
{
    FramePool pool(1);
    pool.reserve(3 * 2 * 4);
    // Two rows of three pixels, each row followed by 8 bytes of padding marked 0xEE.
    std::vector<std::uint8_t> source(2 * (12 + 8), 0xEE);
    for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < 12; ++i)
            source[std::size_t(row * 20 + i)] = std::uint8_t(row * 12 + i);
    }
    QCOMPARE(pool.put(source.data(), 20, 3, 2, 1), FramePool::PutResult::Queued);
    const FramePool::Frame &frame = pool.frame(pool.take());
    QCOMPARE(frame.width, 3);
    QCOMPARE(frame.height, 2);
    for (int i = 0; i < 24; ++i)
        QCOMPARE(frame.pixels[std::size_t(i)], std::uint8_t(i));
}

void tst_FramePool::busyBuffersGrowWhenRecycled()
{
    FramePool pool(1);
    pool.reserve(2 * 2 * 4);
    const auto small = solid(2, 2, 1);
    QCOMPARE(pool.put(small.data(), 8, 2, 2, 1), FramePool::PutResult::Queued);
    const int index = pool.take();
    pool.reserve(4 * 4 * 4); // the only buffer is busy now
    pool.recycle(index);
    const auto large = solid(4, 4, 2);
    QCOMPARE(pool.put(large.data(), 16, 4, 4, 2), FramePool::PutResult::Queued);
}

void tst_FramePool::closeDrainsThenEnds()
{
    FramePool pool(2);
    pool.reserve(4);
    const auto pixels = solid(1, 1, 1);
    pool.put(pixels.data(), 4, 1, 1, 1);
    pool.close();
    QCOMPARE(pool.put(pixels.data(), 4, 1, 1, 2), FramePool::PutResult::PoolFull);
    const int index = pool.take();
    QVERIFY(index >= 0);
    pool.recycle(index);
    QCOMPARE(pool.take(), -1);
}

void tst_FramePool::closeWakesAWaitingConsumer()
{
    FramePool pool(1);
    std::atomic<int> result{-2};
    std::thread consumer([&] { result = pool.take(); });
    QTest::qWait(20);
    QCOMPARE(result.load(), -2);
    pool.close();
    consumer.join();
    QCOMPARE(result.load(), -1);
}

// Frames carry their sequence number in every byte; the consumer checks order and content while
// a third thread keeps growing the pool.
void tst_FramePool::producerConsumerAndGrowthTogether()
{
    constexpr int Frames = 3000;
    FramePool pool(4);
    pool.reserve(16 * 16 * 4);
    std::atomic<bool> done{false};
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
}

QTEST_GUILESS_MAIN(tst_FramePool)
#include "tst_framepool.moc"
