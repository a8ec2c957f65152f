#pragma once

#include "ZqCriticalSection.h"

// Holds a ZqCriticalSection for the lifetime of the locker. A null section is allowed and
// makes the locker a no-op, so optional locks need no special casing at the call site.
class ZqCSAutoLocker
{
public:
    explicit ZqCSAutoLocker(const ZqCriticalSection *section)
        : m_section(section)
    {
        if (m_section)
            m_section->lock();
    }

    ~ZqCSAutoLocker()
    {
        if (m_section)
            m_section->unlock();
    }

    ZqCSAutoLocker(const ZqCSAutoLocker &) = delete;
    ZqCSAutoLocker &operator=(const ZqCSAutoLocker &) = delete;

private:
    const ZqCriticalSection *const m_section;
};
