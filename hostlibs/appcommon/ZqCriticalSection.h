#pragma once

#include "appcommon_global.h"

#include <mutex>

// A recursive lock owned by the object it protects, as a Windows critical section is:
// the owning thread may take it again without deadlocking.
class APPCOMMON_EXPORT ZqCriticalSection
{
public:
    ZqCriticalSection();
    ~ZqCriticalSection();

    ZqCriticalSection(const ZqCriticalSection &) = delete;
    ZqCriticalSection &operator=(const ZqCriticalSection &) = delete;

    // Const so that a const object can still serialise access to its mutable state.
    void lock() const;
    void unlock() const;
    bool tryLock() const;

private:
    mutable std::recursive_mutex m_mutex;
};
