#pragma once

#include <cstdint>
#include <limits>

// Byte counts of the frames the host hands us and we hand back: 32-bit pixels, rows of
// 4 x width bytes without padding. Sizes come from outside, so the arithmetic is checked.
namespace FrameSize {

// Bytes of a width x height RGB32 frame, or -1 when a side is not positive. The product of
// two ints and 4 always fits 64 unsigned bits; one beyond the signed range gives -1 too.
constexpr std::int64_t rgb32Bytes(int width, int height)
{
    if (width <= 0 || height <= 0)
        return -1;
    const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * 4u;
    return bytes > std::uint64_t(std::numeric_limits<std::int64_t>::max()) ? -1
                                                                           : std::int64_t(bytes);
}

// The largest side of a frame the engine allocates; a bigger one only comes from a broken
// header or geometry and must not turn into a multi-gigabyte allocation.
constexpr int MaxSide = 16384;

// A size the engine can allocate and compose: both sides from 1 to MaxSide.
constexpr bool isComposable(int width, int height)
{
    return width > 0 && height > 0 && width <= MaxSide && height <= MaxSide;
}

// True when a buffer of length bytes holds a whole width x height RGB32 frame.
constexpr bool holdsRgb32Frame(std::uint64_t length, int width, int height)
{
    const std::int64_t needed = rgb32Bytes(width, height);
    return needed >= 0 && length >= std::uint64_t(needed);
}

} // namespace FrameSize
