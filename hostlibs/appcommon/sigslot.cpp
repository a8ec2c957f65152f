#include "sigslot.h"

#include <algorithm>

namespace sigslot {

has_slots::has_slots()
    : m_holder(std::make_shared<slot_holder>(this))
{}

has_slots::has_slots(const has_slots &)
    : has_slots()
{}

has_slots &has_slots::operator=(const has_slots &)
{
    return *this;
}

has_slots::~has_slots()
{
    m_holder->retire(true);
}

void has_slots::disconnect_all()
{
    m_holder->retire(false);
}

has_slots::slot_holder::slot_holder(has_slots *receiver)
    : m_receiver(receiver)
{
    // Room for a few concurrent callers so that entering a call never allocates.
    m_callers.reserve(4);
}

has_slots::slot_holder::~slot_holder() = default;

has_slots *has_slots::slot_holder::dest(std::uint64_t generation) const
{
    if (m_generation.load(std::memory_order_acquire) != generation)
        return nullptr;
    return m_receiver.load(std::memory_order_acquire);
}

bool has_slots::slot_holder::enter(std::uint64_t generation)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (dest(generation) == nullptr)
        return false;
    const auto self = std::this_thread::get_id();
    for (Caller &caller : m_callers) {
        if (caller.thread == self) {
            ++caller.depth;
            return true;
        }
    }
    m_callers.push_back(Caller{self, 1});
    return true;
}

void has_slots::slot_holder::leave()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto self = std::this_thread::get_id();
        const auto it = std::find_if(m_callers.begin(), m_callers.end(),
                                     [self](const Caller &c) { return c.thread == self; });
        if (it == m_callers.end() || --it->depth > 0)
            return;
        m_callers.erase(it);
    }
    m_idle.notify_all();
}

bool has_slots::slot_holder::_onlyCurrentThreadCalling() const
{
    const auto self = std::this_thread::get_id();
    return std::all_of(m_callers.begin(), m_callers.end(),
                       [self](const Caller &c) { return c.thread == self; });
}

void has_slots::slot_holder::retire(bool destroyed)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_generation.fetch_add(1, std::memory_order_acq_rel);
    if (destroyed)
        m_receiver.store(nullptr, std::memory_order_release);
    m_idle.wait(lock, [this] { return _onlyCurrentThreadCalling(); });
}

_connection_base::_connection_base(std::shared_ptr<has_slots::slot_holder> receiver, emitter thunk)
    : m_receiver(std::move(receiver))
    , m_generation(m_receiver ? m_receiver->generation() : 0)
    , m_emitter(thunk)
{}

_connection_base::~_connection_base() = default;

} // namespace sigslot
