#pragma once

#include <cstdint>

// Size records as a Windows host sees them; both sit at global scope on purpose.

// The Windows SIZE record: width and height in pixels.
struct tagSIZE
{
    std::int32_t cx;
    std::int32_t cy;
};

// The host's size record for output frames.
struct ZQSize
{
    float width;
    float height;
};

static_assert(sizeof(tagSIZE) == 8, "tagSIZE must be two 32-bit integers");
static_assert(sizeof(ZQSize) == 8, "ZQSize must be two 32-bit floats");
