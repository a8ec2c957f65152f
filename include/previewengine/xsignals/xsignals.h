#pragma once

#include <appcommon/sigslot.h>
#include <appcommon/ZqCriticalSection.h>

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

// Typed, thread-safe, synchronous many-receiver signals.
//
//     xsignals::signal<void(int, int)> sigResized;
//     sigResized.connect(receiver, &Receiver::onResized);   // Receiver derives xsignals::trackable
//     sigResized(640, 480);                                  // calls every receiver, in order
//
// Receivers run on the emitting thread, in connection order. A signal's lock is held only to
// take a snapshot of its connection list, never while receivers run, so a receiver may emit,
// connect, or destroy receivers (itself included) during a call. Receivers that went away are
// skipped and purged. The connection list is copy-on-write: emitting allocates nothing.
namespace sigslot {

// The lock policy: one critical section per signal object.
class multi_threaded_local
{
public:
    multi_threaded_local() = default;
    multi_threaded_local(const multi_threaded_local &) = delete;
    multi_threaded_local &operator=(const multi_threaded_local &) = delete;
    virtual ~multi_threaded_local() = default;

    virtual void lock() { m_section.lock(); }
    virtual void unlock() { m_section.unlock(); }

private:
    ZqCriticalSection m_section;
};

template<class mt_policy>
class _signal_base : public mt_policy
{
public:
    using connection_holder = _connection_base::connection_holder;
    using connection_list = std::vector<connection_holder>;

    _signal_base() = default;
    ~_signal_base() override { disconnect_all(); }

    void lock() override { mt_policy::lock(); }
    void unlock() override { mt_policy::unlock(); }

    void disconnect_all()
    {
        std::shared_ptr<const connection_list> released;
        lock();
        released = std::move(m_connections);
        m_connections.reset();
        unlock();
        // The connections die here, outside the lock, unless an emission still holds them.
    }

    // Number of connections whose receivers are still there.
    std::size_t connection_count()
    {
        const std::shared_ptr<const connection_list> list = _snapshot();
        return list ? list->size() : 0;
    }

protected:
    void _add(connection_holder connection)
    {
        std::shared_ptr<const connection_list> previous;
        lock();
        _purge();
        if (m_connections) {
            for (const connection_holder &existing : *m_connections) {
                if (existing->equals(connection.get())) {
                    unlock();
                    return;
                }
            }
        }
        auto grown = std::make_shared<connection_list>();
        grown->reserve((m_connections ? m_connections->size() : 0) + 1);
        if (m_connections)
            *grown = *m_connections;
        grown->push_back(std::move(connection));
        previous = std::exchange(m_connections, std::move(grown));
        unlock();
    }

    // The current list, purged of dead receivers; the lock is held only while copying it.
    std::shared_ptr<const connection_list> _snapshot()
    {
        lock();
        _purge();
        std::shared_ptr<const connection_list> list = m_connections;
        unlock();
        return list;
    }

private:
    // Called with the lock held. Only allocates when a receiver actually went away.
    void _purge()
    {
        if (!m_connections)
            return;
        std::size_t alive = 0;
        for (const connection_holder &c : *m_connections)
            alive += c->getdest() != nullptr ? 1 : 0;
        if (alive == m_connections->size())
            return;
        if (alive == 0) {
            m_connections.reset();
            return;
        }
        auto kept = std::make_shared<connection_list>();
        kept->reserve(alive);
        for (const connection_holder &c : *m_connections) {
            if (c->getdest() != nullptr)
                kept->push_back(c);
        }
        m_connections = std::move(kept);
    }

    std::shared_ptr<const connection_list> m_connections;
};

template<class Dest, class... Args>
class _connection final : public _connection_base
{
    static_assert(std::is_base_of_v<has_slots, Dest>,
                  "signal receivers must derive from sigslot::has_slots (xsignals::trackable)");

public:
    using method = void (Dest::*)(Args...);
    using thunk_type = void (*)(_connection_base *, Args...);

    _connection(Dest *receiver, method m)
        : _connection_base(static_cast<has_slots *>(receiver)->get_receiver(),
                           reinterpret_cast<emitter>(&_connection::thunk))
        , m_method(m)
    {}

    connection_holder clone() const override { return std::make_shared<_connection>(*this); }

    connection_holder duplicate(has_slots *newReceiver) const override
    {
        return std::make_shared<_connection>(static_cast<Dest *>(newReceiver), m_method);
    }

    bool equals(const _connection_base *other) const override
    {
        if (!other || other->get_emitter() != get_emitter())
            return false;
        const auto *typed = static_cast<const _connection *>(other);
        return typed->getdest() == getdest() && typed->m_method == m_method;
    }

    static void thunk(_connection_base *base, Args... args)
    {
        const auto *self = static_cast<const _connection *>(base);
        const method target = self->m_method;
        const call_scope scope(*self);
        if (!scope)
            return;
        Dest *receiver = static_cast<Dest *>(scope.dest());
        (receiver->*target)(args...);
    }

private:
    method m_method;
};

// The receivers a signal had at one moment. Calling it runs them, skipping any that left since,
// without touching the signal again: the signal's owner may be gone by then. This is how an
// emitter hands a call to the host outside its own locks and lifetime.
template<class... Args>
class receiver_snapshot
{
public:
    using connection_list = std::vector<_connection_base::connection_holder>;

    receiver_snapshot() = default;
    explicit receiver_snapshot(std::shared_ptr<const connection_list> list)
        : m_list(std::move(list))
    {}

    explicit operator bool() const { return m_list && !m_list->empty(); }

    void operator()(Args... args) const
    {
        using thunk_type = void (*)(_connection_base *, Args...);
        if (!m_list)
            return;
        for (const auto &connection : *m_list) {
            const auto thunk = reinterpret_cast<thunk_type>(connection->get_emitter());
            thunk(connection.get(), args...);
        }
    }

private:
    std::shared_ptr<const connection_list> m_list;
};

template<class mt_policy, class... Args>
class _signal_impl : public _signal_base<mt_policy>
{
public:
    receiver_snapshot<Args...> snapshot() { return receiver_snapshot<Args...>(this->_snapshot()); }

    template<class Dest, class Method>
    void connect(Dest *receiver, Method m)
    {
        if (!receiver || !m)
            return;
        // Accepts methods declared in a base of Dest as well.
        void (Dest::*method)(Args...) = m;
        this->_add(std::make_shared<_connection<Dest, Args...>>(receiver, method));
    }

    void operator()(Args... args) { snapshot()(args...); }
};

template<class mt_policy = multi_threaded_local>
class signal0 : public _signal_impl<mt_policy>
{
};
template<class A1, class mt_policy = multi_threaded_local>
class signal1 : public _signal_impl<mt_policy, A1>
{
};
template<class A1, class A2, class mt_policy = multi_threaded_local>
class signal2 : public _signal_impl<mt_policy, A1, A2>
{
};
template<class A1, class A2, class A3, class mt_policy = multi_threaded_local>
class signal3 : public _signal_impl<mt_policy, A1, A2, A3>
{
};
template<class A1, class A2, class A3, class A4, class mt_policy = multi_threaded_local>
class signal4 : public _signal_impl<mt_policy, A1, A2, A3, A4>
{
};
template<class A1, class A2, class A3, class A4, class A5, class mt_policy = multi_threaded_local>
class signal5 : public _signal_impl<mt_policy, A1, A2, A3, A4, A5>
{
};

} // namespace sigslot

namespace xsignals {

// Base of every receiver. A Qt class lists it after QObject, so qobject_cast-style meta casts
// to "xsignals::trackable" find it.
class trackable : public sigslot::has_slots
{
};

template<class... Args>
using receiver_snapshot = sigslot::receiver_snapshot<Args...>;

namespace details {

template<std::size_t N, class... Args>
struct sigslot_base_of;

template<>
struct sigslot_base_of<0>
{
    using type = sigslot::signal0<>;
};
template<class A1>
struct sigslot_base_of<1, A1>
{
    using type = sigslot::signal1<A1>;
};
template<class A1, class A2>
struct sigslot_base_of<2, A1, A2>
{
    using type = sigslot::signal2<A1, A2>;
};
template<class A1, class A2, class A3>
struct sigslot_base_of<3, A1, A2, A3>
{
    using type = sigslot::signal3<A1, A2, A3>;
};
template<class A1, class A2, class A3, class A4>
struct sigslot_base_of<4, A1, A2, A3, A4>
{
    using type = sigslot::signal4<A1, A2, A3, A4>;
};
template<class A1, class A2, class A3, class A4, class A5>
struct sigslot_base_of<5, A1, A2, A3, A4, A5>
{
    using type = sigslot::signal5<A1, A2, A3, A4, A5>;
};

template<class Signature, std::size_t N>
class sigslot_signal;

template<class... Args, std::size_t N>
class sigslot_signal<void(Args...), N> : public sigslot_base_of<N, Args...>::type
{
};

} // namespace details

template<class Signature>
class signal;

template<class... Args>
class signal<void(Args...)> : public details::sigslot_signal<void(Args...), sizeof...(Args)>
{
};

} // namespace xsignals
