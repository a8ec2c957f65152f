#include "PixelRows.h"

// The reference kernels: each a plain loop over the scalar forms of PixelRows.h, for the tests
// to hold every instruction set to.
namespace PixelRows {

namespace {

void interpolate(std::uint32_t *dst, const std::uint32_t *row0, const std::uint32_t *row1,
                 int width, int fraction, std::uint32_t orMask)
{
    for (int i = 0; i < width; ++i)
        dst[i] = lerp(row0[i], row1[i], std::uint32_t(fraction)) | orMask;
}

void filterColumns(std::uint32_t *dst, const std::uint32_t *src, const Columns &columns,
                   std::uint32_t orMask)
{
    for (int i = 0; i < columns.count; ++i) {
        const std::uint32_t fraction = columns.fractions[i] & 0xFF;
        dst[i] = lerp(src[columns.first[i]], src[columns.second[i]], fraction) | orMask;
    }
}

void pickColumns(std::uint32_t *dst, const std::uint32_t *src, const Columns &columns,
                 std::uint32_t orMask)
{
    for (int i = 0; i < columns.count; ++i)
        dst[i] = src[columns.first[i]] | orMask;
}

void copy(std::uint32_t *dst, const std::uint32_t *src, int width, std::uint32_t orMask)
{
    for (int i = 0; i < width; ++i)
        dst[i] = src[i] | orMask;
}

void stream(std::uint32_t *dst, const std::uint32_t *src, int width)
{
    copy(dst, src, width, 0);
}

void fill(std::uint32_t *dst, int width, std::uint32_t value)
{
    for (int i = 0; i < width; ++i)
        dst[i] = value;
}

bool premultiply(std::uint32_t *dst, const std::uint32_t *src, int width)
{
    bool opaque = true;
    for (int i = 0; i < width; ++i) {
        opaque = opaque && (src[i] >> 24) == 0xFF;
        dst[i] = premultiplyPixel(src[i]);
    }
    return opaque;
}

void blend(std::uint32_t *dst, const std::uint32_t *src, int width)
{
    for (int i = 0; i < width; ++i)
        dst[i] = blendPixel(dst[i], src[i]);
}

void blendAt(std::uint32_t *dst, const std::uint32_t *src, int width, int opacity)
{
    for (int i = 0; i < width; ++i)
        dst[i] = blendPixelAt(dst[i], src[i], std::uint32_t(opacity));
}

void mix(std::uint32_t *dst, const std::uint32_t *src, int width, int opacity)
{
    for (int i = 0; i < width; ++i)
        dst[i] = mixPixel(dst[i], src[i], std::uint32_t(opacity));
}

void stamp(std::uint32_t *dst, const std::uint32_t *mark, int width)
{
    for (int i = 0; i < width; ++i)
        dst[i] = stampPixel(dst[i], mark[i]);
}

} // namespace

const Kernels &reference()
{
    static const Kernels kernels{"reference", interpolate, filterColumns, pickColumns, copy, stream,
                                 fill,        premultiply, blend,         blendAt,     mix,  stamp};
    return kernels;
}

} // namespace PixelRows
