#pragma once

#include <cstdint>

// The row kernels under ImageScaler and the watermark stamp: one portable set in plain C++ and,
// on x86-64 processors that have it, one in AVX2. Both sets give the same bytes for the same
// input, so the output never depends on the processor.
//
// Pixels are 32-bit words whose four bytes are filtered independently. Weights are 7-bit and
// each pair adds up to exactly 128, so a solid colour (and an alpha of 255) comes out of every
// filter unchanged.
namespace PixelRows {

// The horizontal taps of one output row, one entry per output pixel.
struct Columns
{
    const std::int32_t *first = nullptr;  // source pixel (nearest) or left source pixel
    const std::int32_t *second = nullptr; // right source pixel; equal to first at the edge
    // Weights of first and second as bytes: (128 - f) | f << 8 | (128 - f) << 16 | f << 24.
    const std::uint32_t *weights = nullptr;
    // Per group of eight output pixels, how a SIMD kernel may read their source pixels: 1 to 3
    // when they all lie within that many blocks of eight pixels from the group's first one, and
    // those blocks (and, for bilinear, the same blocks one pixel further on) end inside the
    // row; 0 when they must be gathered one by one.
    const std::uint8_t *blocks = nullptr;
    int count = 0;
};

struct Kernels
{
    // dst[i] = (row0[i] * (128 - fraction) + row1[i] * fraction + 64) >> 7 per byte, then OR
    // orMask; fraction is 1..127. streaming: dst will not be read again soon, so it may bypass
    // the cache.
    void (*interpolate)(std::uint32_t *dst, const std::uint32_t *row0, const std::uint32_t *row1,
                        int width, int fraction, std::uint32_t orMask, bool streaming);
    // dst[i] = src[i] | orMask.
    void (*copy)(std::uint32_t *dst, const std::uint32_t *src, int width, std::uint32_t orMask,
                 bool streaming);
    // Bilinear across a row: dst[i] = blend of src[first[i]] and src[second[i]], | orMask.
    void (*filterColumns)(std::uint32_t *dst, const std::uint32_t *src, const Columns &columns,
                          std::uint32_t orMask);
    // Nearest across a row: dst[i] = src[first[i]] | orMask.
    void (*pickColumns)(std::uint32_t *dst, const std::uint32_t *src, const Columns &columns,
                        std::uint32_t orMask);
    // Watermark blend of one row of non-premultiplied ARGB mark pixels over dst, per colour
    // byte d = min((s * a - ((a * d * 255) >> 8) + d * 255) / 255, 255); the fourth byte
    // becomes 0xFF.
    void (*stamp)(std::uint32_t *dst, const std::uint32_t *mark, int width);
};

const Kernels &portable();
// Null when the processor or the compiler offers no AVX2.
const Kernels *avx2();

// The scalar forms every kernel set must reproduce exactly.
inline std::uint32_t blend(std::uint32_t p, std::uint32_t q, std::uint32_t fraction)
{
    const std::uint32_t keep = 128 - fraction;
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t a = (p >> shift) & 0xFF;
        const std::uint32_t b = (q >> shift) & 0xFF;
        out |= ((a * keep + b * fraction + 64) >> 7) << shift;
    }
    return out;
}

inline std::uint32_t stampPixel(std::uint32_t d, std::uint32_t s)
{
    const int a = int(s >> 24);
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int sc = int((s >> shift) & 0xFF);
        const int dc = int((d >> shift) & 0xFF);
        const int blended = (sc * a - ((a * dc * 255) >> 8) + dc * 255) / 255;
        out |= std::uint32_t(blended < 255 ? blended : 255) << shift;
    }
    return out;
}

} // namespace PixelRows
