#include "xsignals/xsignals.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Records calls into a shared journal so tests can check who was called, and in which order.
class Recorder : public xsignals::trackable
{
public:
    Recorder(std::vector<int> *journal, int id)
        : m_journal(journal)
        , m_id(id)
    {}
    ~Recorder() override { disconnect_all(); }

    void onValue(int value)
    {
        // The action may destroy this object: run a copy, and touch nothing afterwards.
        const std::function<void()> action = m_action;
        m_journal->push_back(m_id);
        m_last = value;
        if (action)
            action();
    }

    std::vector<int> *m_journal;
    int m_id;
    int m_last = 0;
    std::function<void()> m_action;
};

class Base : public xsignals::trackable
{
public:
    void onBase(int value) { m_sum += value; }
    int m_sum = 0;
};

class Derived : public Base
{
public:
    ~Derived() override { disconnect_all(); }
};

// A receiver whose slot uses its own heap state: a use after free shows up under ASan.
class Counter : public xsignals::trackable
{
public:
    Counter()
        : m_count(std::make_unique<std::atomic<long long>>(0))
    {}
    ~Counter() override { disconnect_all(); }
    void onFrame(const char *, unsigned int length, int, int, unsigned long)
    {
        m_count->fetch_add(length, std::memory_order_relaxed);
    }
    std::unique_ptr<std::atomic<long long>> m_count;
};

using FrameSignal = xsignals::signal<void(const char *, unsigned int, int, int, unsigned long)>;

} // namespace

class TestXSignals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void orderAndDuplicates()
    {
        std::vector<int> journal;
        Recorder a(&journal, 1);
        Recorder b(&journal, 2);
        xsignals::signal<void(int)> signal;
        signal.connect(&a, &Recorder::onValue);
        signal.connect(&b, &Recorder::onValue);
        signal.connect(&a, &Recorder::onValue); // ignored: same receiver, same method
        QCOMPARE(signal.connection_count(), std::size_t(2));

        signal(7);
        QCOMPARE(journal, (std::vector<int>{1, 2}));
        QCOMPARE(a.m_last, 7);
        QCOMPARE(b.m_last, 7);

        // A method declared in a base class connects and calls through the derived object.
        Derived derived;
        signal.connect(&derived, &Base::onBase);
        signal(5);
        QCOMPARE(derived.m_sum, 5);

        xsignals::signal<void()> empty;
        empty(); // no connections: nothing happens
    }

    void deadReceiversAreSkippedAndPurged()
    {
        std::vector<int> journal;
        xsignals::signal<void(int)> signal;
        auto a = std::make_unique<Recorder>(&journal, 1);
        Recorder b(&journal, 2);
        auto c = std::make_unique<Recorder>(&journal, 3);
        signal.connect(a.get(), &Recorder::onValue);
        signal.connect(&b, &Recorder::onValue);
        signal.connect(c.get(), &Recorder::onValue);

        // Destroyed before the emission: purged.
        c.reset();
        QCOMPARE(signal.connection_count(), std::size_t(2));

        // Destroyed by an earlier receiver of the same emission: skipped.
        Recorder *bPtr = &b;
        std::unique_ptr<Recorder> late = std::make_unique<Recorder>(&journal, 4);
        signal.connect(late.get(), &Recorder::onValue);
        bPtr->m_action = [&late] {
            late.reset();
        };
        signal(1);
        QCOMPARE(journal, (std::vector<int>{1, 2}));

        // A receiver that disconnects itself is no longer called, and may connect again.
        journal.clear();
        b.m_action = nullptr;
        a->disconnect_all();
        signal(2);
        QCOMPARE(journal, (std::vector<int>{2}));
        signal.connect(a.get(), &Recorder::onValue);
        journal.clear();
        signal(3);
        QCOMPARE(journal, (std::vector<int>{2, 1}));
    }

    void receiversMayReenterDuringACall()
    {
        std::vector<int> journal;
        xsignals::signal<void(int)> signal;
        auto self = std::make_unique<Recorder>(&journal, 1);
        Recorder after(&journal, 2);
        Recorder newcomer(&journal, 3);
        signal.connect(self.get(), &Recorder::onValue);
        signal.connect(&after, &Recorder::onValue);

        // Destroying itself, connecting another receiver and emitting again, all from inside
        // a call: none of it may deadlock, and the newcomer joins from the next emission on.
        int depth = 0;
        self->m_action = [&] {
            signal.connect(&newcomer, &Recorder::onValue);
            if (depth++ == 0)
                signal(99);
            self.reset();
        };
        signal(1);
        QVERIFY(!self);
        // Outer call: self (nested emission: self again, after, newcomer), then after.
        QCOMPARE(journal, (std::vector<int>{1, 1, 2, 3, 2}));
        journal.clear();
        signal(2);
        QCOMPARE(journal, (std::vector<int>{2, 3}));
    }

    void eitherSideMayGoFirst()
    {
        std::vector<int> journal;
        auto receiver = std::make_unique<Recorder>(&journal, 1);
        {
            xsignals::signal<void(int)> signal;
            signal.connect(receiver.get(), &Recorder::onValue);
        } // signal with a live connection destroyed first
        receiver.reset();

        // A copied receiver is a new receiver: the copy gets no connections.
        Recorder original(&journal, 3);
        xsignals::signal<void(int)> s;
        s.connect(&original, &Recorder::onValue);
        Recorder copy(original);
        copy.m_id = 4;
        s(1);
        QCOMPARE(journal, (std::vector<int>{3}));
    }

    // Destroying a receiver on one thread while another thread is inside its slot must wait for
    // the slot to return, or the slot would run on a dead object.
    void disconnectWaitsForCallsOnOtherThreads()
    {
        struct Blocking : xsignals::trackable
        {
            ~Blocking() override { disconnect_all(); }
            void onValue(int)
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_entered = true;
                m_changed.notify_all();
                m_changed.wait(lock, [this] { return m_release; });
                m_state = 42;
            }
            std::mutex m_mutex;
            std::condition_variable m_changed;
            bool m_entered = false;
            bool m_release = false;
            int m_state = 0;
        };

        auto receiver = std::make_unique<Blocking>();
        Blocking *raw = receiver.get();
        xsignals::signal<void(int)> signal;
        signal.connect(raw, &Blocking::onValue);

        std::thread emitter([&] { signal(1); });
        {
            std::unique_lock<std::mutex> lock(raw->m_mutex);
            raw->m_changed.wait(lock, [raw] { return raw->m_entered; });
        }
        std::atomic<bool> disconnected{false};
        std::thread destroyer([&] {
            raw->disconnect_all();
            disconnected = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        QVERIFY(!disconnected.load());
        {
            const std::lock_guard<std::mutex> lock(raw->m_mutex);
            raw->m_release = true;
        }
        raw->m_changed.notify_all();
        destroyer.join();
        emitter.join();
        QVERIFY(disconnected.load());
        QCOMPARE(raw->m_state, 42);
        receiver.reset();
        signal(2); // purged, nothing called
    }

    // Capture threads emit while the GUI thread connects and destroys receivers.
    void concurrentEmitConnectAndDestroy()
    {
        FrameSignal signal;
        Counter stable;
        signal.connect(&stable, &Counter::onFrame);

        std::atomic<bool> stop{false};
        std::atomic<long long> emitted{0};
        std::vector<std::thread> emitters;
        for (int t = 0; t < 3; ++t) {
            emitters.emplace_back([&] {
                const char frame[4] = {};
                while (!stop.load(std::memory_order_relaxed)) {
                    signal(frame, 1, 2, 2, 0);
                    emitted.fetch_add(1, std::memory_order_relaxed);
                }
            });
        }

        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
        int cycles = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            std::vector<std::unique_ptr<Counter>> transient;
            for (int i = 0; i < 8; ++i) {
                transient.push_back(std::make_unique<Counter>());
                signal.connect(transient.back().get(), &Counter::onFrame);
            }
            std::this_thread::yield();
            transient.erase(transient.begin(), transient.begin() + 4);
            transient.front()->disconnect_all();
            ++cycles;
        }
        stop = true;
        for (std::thread &t : emitters)
            t.join();

        QVERIFY(cycles > 10);
        // Every emission reached the receiver that stayed connected, exactly once.
        QCOMPARE(stable.m_count->load(), emitted.load());
        QCOMPARE(signal.connection_count(), std::size_t(1));
    }
};

QTEST_GUILESS_MAIN(TestXSignals)
#include "tst_xsignals.moc"
