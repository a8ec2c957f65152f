#include "PixelRows.h"

namespace PixelRows {

namespace {

void setAlpha(std::uint32_t *dst, int width, std::uint32_t orMask)
{
    if (orMask == 0)
        return;
    for (int i = 0; i < width; ++i)
        dst[i] |= orMask;
}

void interpolate(std::uint32_t *dst, const std::uint32_t *row0, const std::uint32_t *row1,
                 int width, int fraction, std::uint32_t orMask, bool)
{
    // Byte by byte, which compilers vectorise; the row is still in the cache for the alpha.
    const auto *a = reinterpret_cast<const std::uint8_t *>(row0);
    const auto *b = reinterpret_cast<const std::uint8_t *>(row1);
    auto *out = reinterpret_cast<std::uint8_t *>(dst);
    const unsigned keep = unsigned(128 - fraction);
    const unsigned take = unsigned(fraction);
    for (int i = 0; i < width * 4; ++i)
        out[i] = std::uint8_t((a[i] * keep + b[i] * take + 64) >> 7);
    setAlpha(dst, width, orMask);
}

void copy(std::uint32_t *dst, const std::uint32_t *src, int width, std::uint32_t orMask, bool)
{
    for (int i = 0; i < width; ++i)
        dst[i] = src[i] | orMask;
}

void filterColumns(std::uint32_t *dst, const std::uint32_t *src, const Columns &columns,
                   std::uint32_t orMask)
{
    for (int i = 0; i < columns.count; ++i) {
        const std::uint32_t fraction = (columns.weights[i] >> 8) & 0xFF;
        dst[i] = blend(src[columns.first[i]], src[columns.second[i]], fraction) | orMask;
    }
}

void pickColumns(std::uint32_t *dst, const std::uint32_t *src, const Columns &columns,
                 std::uint32_t orMask)
{
    for (int i = 0; i < columns.count; ++i)
        dst[i] = src[columns.first[i]] | orMask;
}

void stamp(std::uint32_t *dst, const std::uint32_t *mark, int width)
{
    for (int i = 0; i < width; ++i)
        dst[i] = stampPixel(dst[i], mark[i]);
}

} // namespace

const Kernels &portable()
{
    static const Kernels kernels{interpolate, copy, filterColumns, pickColumns, stamp};
    return kernels;
}

} // namespace PixelRows
