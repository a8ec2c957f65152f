#include <appcommon/ZqCriticalSection.h>
#include <appcommon/ZqCSAutoLocker.h>

#include <QTest>

#include <thread>
#include <vector>

class TestCriticalSection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recursiveAndExclusive()
    {
        ZqCriticalSection section;
        {
            const ZqCSAutoLocker outer(&section);
            // Taking it again on the same thread must not deadlock, as with a Windows section.
            const ZqCSAutoLocker inner(&section);
            bool otherGotIt = true;
            std::thread other([&] { otherGotIt = section.tryLock(); });
            other.join();
            QVERIFY(!otherGotIt);
        }
        bool freed = false;
        std::thread other([&] {
            freed = section.tryLock();
            if (freed)
                section.unlock();
        });
        other.join();
        QVERIFY(freed);

        const ZqCSAutoLocker nullLocker(nullptr); // optional locks need no special casing
    }

    void serialisesWriters()
    {
        ZqCriticalSection section;
        long long counter = 0;
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&] {
                for (int i = 0; i < 20000; ++i) {
                    const ZqCSAutoLocker locker(&section);
                    ++counter;
                }
            });
        }
        for (std::thread &t : threads)
            t.join();
        QCOMPARE(counter, 80000LL);
    }
};

QTEST_GUILESS_MAIN(TestCriticalSection)
#include "tst_criticalsection.moc"
