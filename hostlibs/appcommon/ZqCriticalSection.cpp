#include "ZqCriticalSection.h"

ZqCriticalSection::ZqCriticalSection() = default;

ZqCriticalSection::~ZqCriticalSection() = default;

void ZqCriticalSection::lock() const
{
    m_mutex.lock();
}

void ZqCriticalSection::unlock() const
{
    m_mutex.unlock();
}

bool ZqCriticalSection::tryLock() const
{
    return m_mutex.try_lock();
}
