#pragma once

#include <atomic>

// Heap allocations made by the whole program so far (link AllocationCounter.cpp in).
class AllocationCounter
{
public:
    static long long count();
};
