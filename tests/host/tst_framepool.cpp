#include "FramePool.h"

#include <QtTest>

#include <thread>

class tst_FramePool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dropsWhenEveryBufferIsBusy();
    void producerConsumerAndGrowthTogether();
};

void tst_FramePool::dropsWhenEveryBufferIsBusy()
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
void tst_FramePool::producerConsumerAndGrowthTogether()
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

QTEST_GUILESS_MAIN(tst_FramePool)
#include "tst_framepool.moc"
