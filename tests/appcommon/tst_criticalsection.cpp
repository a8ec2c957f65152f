#include <appcommon/ZqCriticalSection.h>
#include <appcommon/ZqCSAutoLocker.h>

#include <QTest>

#include <thread>

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
};

QTEST_GUILESS_MAIN(TestCriticalSection)
#include "tst_criticalsection.moc"
