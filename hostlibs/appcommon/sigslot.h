#pragma once

#include "appcommon_global.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The receiver side of the sigslot signal family. Signals hold connections; each connection
// refers to its receiver only through the receiver's shared slot_holder, so either side may
// be destroyed first:
//  - a destroyed receiver (or one that called disconnect_all()) reports a null destination
//    from then on, and signals purge such connections at their next connect or emit;
//  - a destroyed signal releases its connections, and the receiver never hears of it.
//
// A call into a receiver registers itself with the slot_holder for its duration, and the
// receiver's disconnect_all() waits for calls running on other threads. Calls on the
// disconnecting thread itself are not waited for, so a slot may destroy its own receiver.
//
// The has_slots destructor runs after the derived parts are gone. A receiver whose slots use
// its own members and that can be called from another thread must therefore call
// disconnect_all() first thing in its own destructor.
namespace sigslot {

class _connection_base;

class APPCOMMON_EXPORT has_slots
{
public:
    class slot_holder;

    has_slots();
    // A copy is a new receiver: connections belong to the object they were made for.
    has_slots(const has_slots &other);
    has_slots &operator=(const has_slots &other);
    virtual ~has_slots();

    void disconnect_all();

    // The record that connections to this receiver are built from.
    std::shared_ptr<slot_holder> get_receiver() const { return m_holder; }

private:
    std::shared_ptr<slot_holder> m_holder;
};

class APPCOMMON_EXPORT has_slots::slot_holder
{
public:
    explicit slot_holder(has_slots *receiver);
    ~slot_holder();

    slot_holder(const slot_holder &) = delete;
    slot_holder &operator=(const slot_holder &) = delete;

    // Every disconnect_all() starts a new generation; connections made in an older one are dead.
    std::uint64_t generation() const { return m_generation.load(std::memory_order_acquire); }

    // The receiver, or null once it is gone or the connection's generation has ended.
    has_slots *dest(std::uint64_t generation) const;

    // Registers a call on the current thread; false (and nothing registered) when dead.
    bool enter(std::uint64_t generation);
    void leave();

    // Ends the current generation (and, when destroyed is set, the receiver itself), then
    // waits until no other thread is inside a call to the receiver.
    void retire(bool destroyed);

private:
    struct Caller
    {
        std::thread::id thread;
        int depth;
    };

    bool _onlyCurrentThreadCalling() const;

    std::atomic<has_slots *> m_receiver;
    std::atomic<std::uint64_t> m_generation{0};
    std::mutex m_mutex;
    std::condition_variable m_idle;
    std::vector<Caller> m_callers; // guarded by m_mutex
};

// One connection of a signal to a receiver's member function. The typed subclasses live with
// the signal templates; this base carries the receiver record and a type-erased call thunk.
class APPCOMMON_EXPORT _connection_base
{
public:
    // The thunk's real type is void (*)(_connection_base *, Args...); the typed signal that
    // made the connection casts it back before calling.
    using emitter = void (*)();
    using connection_holder = std::shared_ptr<_connection_base>;

    _connection_base(std::shared_ptr<has_slots::slot_holder> receiver, emitter thunk);
    virtual ~_connection_base();

    _connection_base(const _connection_base &) = default;
    _connection_base &operator=(const _connection_base &) = delete;

    virtual connection_holder clone() const = 0;
    virtual connection_holder duplicate(has_slots *newReceiver) const = 0;
    virtual bool equals(const _connection_base *other) const = 0;

    // The receiver, or null once it has gone away or disconnected.
    has_slots *getdest() const { return m_receiver ? m_receiver->dest(m_generation) : nullptr; }
    emitter get_emitter() const { return m_emitter; }
    const std::shared_ptr<has_slots::slot_holder> &receiver() const { return m_receiver; }
    std::uint64_t generation() const { return m_generation; }

private:
    const std::shared_ptr<has_slots::slot_holder> m_receiver;
    const std::uint64_t m_generation;
    const emitter m_emitter;
};

// Keeps the receiver of a connection registered as busy while a thunk calls into it.
class call_scope
{
public:
    explicit call_scope(const _connection_base &connection)
        : m_holder(connection.receiver().get())
        , m_entered(m_holder && m_holder->enter(connection.generation()))
        , m_dest(m_entered ? m_holder->dest(connection.generation()) : nullptr)
    {}

    ~call_scope()
    {
        if (m_entered)
            m_holder->leave();
    }

    call_scope(const call_scope &) = delete;
    call_scope &operator=(const call_scope &) = delete;

    explicit operator bool() const { return m_dest != nullptr; }
    has_slots *dest() const { return m_dest; }

private:
    has_slots::slot_holder *const m_holder;
    const bool m_entered;
    has_slots *const m_dest;
};

} // namespace sigslot
