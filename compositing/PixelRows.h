#pragma once

#include <cstdint>
#include <vector>

// The row kernels of composition: scaling, blending and the watermark stamp, one row at a time.
// They are written once with Highway and compiled for every instruction set the compiler offers
// (SSSE3, SSE4, AVX2, AVX-512 on x86-64; NEON and SVE on ARM; a portable fallback); the best
// one the processor runs is chosen once, at first use. A plain C++ reference set, written from
// the scalar forms below, is what the tests hold every compiled set to: all of them give the
// same bytes for the same input, so the output never depends on the processor.
//
// Pixels are 32-bit words in memory order blue, green, red, alpha (Qt's RGB32 and ARGB32).
// Every formula works on each of the four bytes alone.
namespace PixelRows {

// The horizontal taps of one output row, one entry per output pixel.
struct Columns
{
    const std::int32_t *first = nullptr;  // source pixel (nearest) or left source pixel
    const std::int32_t *second = nullptr; // right source pixel; equal to first at the edge
    // Weight of the right pixel, 0..127 out of 128, in both halves: f | f << 16.
    const std::uint32_t *fractions = nullptr;
    int count = 0;       // output pixels
    int sourceWidth = 0; // pixels in the source row; nothing beyond is ever read
};

struct Kernels
{
    const char *name; // the instruction set, as Highway names it ("AVX2", "NEON", ...)

    // Scaling. dst[i] = (row0[i] * (128 - fraction) + row1[i] * fraction + 64) >> 7 per byte,
    // then | orMask; fraction is 1..127.
    void (*interpolate)(std::uint32_t *dst, const std::uint32_t *row0, const std::uint32_t *row1,
                        int width, int fraction, std::uint32_t orMask);
    // Bilinear across a row: dst[i] = lerp of src[first[i]] and src[second[i]], | orMask.
    void (*filterColumns)(std::uint32_t *dst, const std::uint32_t *src, const Columns &columns,
                          std::uint32_t orMask);
    // Nearest across a row: dst[i] = src[first[i]] | orMask.
    void (*pickColumns)(std::uint32_t *dst, const std::uint32_t *src, const Columns &columns,
                        std::uint32_t orMask);

    // Moving. dst[i] = src[i] | orMask.
    void (*copy)(std::uint32_t *dst, const std::uint32_t *src, int width, std::uint32_t orMask);
    // dst[i] = src[i], stored past the caches: for a finished frame nothing of ours reads again.
    // finishStreaming() orders these stores before anything that hands the frame on.
    void (*stream)(std::uint32_t *dst, const std::uint32_t *src, int width);
    void (*fill)(std::uint32_t *dst, int width, std::uint32_t value);

    // Blending, with the arithmetic of Qt's raster engine (so a frame is what QPainter would
    // paint): premultiplyPixel, blendPixel, blendPixelAt, mixPixel below. premultiply also
    // tells whether every pixel was opaque, so a picture that hides what lies below is known
    // without another pass over it.
    bool (*premultiply)(std::uint32_t *dst, const std::uint32_t *src, int width);
    void (*blend)(std::uint32_t *dst, const std::uint32_t *src, int width);
    void (*blendAt)(std::uint32_t *dst, const std::uint32_t *src, int width, int opacity);
    void (*mix)(std::uint32_t *dst, const std::uint32_t *src, int width, int opacity);
    // The watermark: stampPixel below.
    void (*stamp)(std::uint32_t *dst, const std::uint32_t *mark, int width);
};

// The best set for this processor.
const Kernels &best();
// The set composition uses: best() unless a test or benchmark chose another with use().
const Kernels &inUse();
// Null goes back to best().
void use(const Kernels *kernels);
// Every set compiled in that this processor runs, best first.
const std::vector<const Kernels *> &available();
// The plain C++ forms, for the tests.
const Kernels &reference();
// Makes the streaming stores of this thread visible before the frame is handed on.
void finishStreaming();

// ---- The scalar forms every set must reproduce exactly. ----

// The constant alpha, 0..255, that Qt's raster engine blends with for a painter opacity of
// percent / 100 (clamped to 0..1): trunc(opacity * 256) * 255 >> 8.
inline int opacityFromPercent(int percent)
{
    const int clamped = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    return (clamped * 256 / 100 * 255) >> 8;
}

inline std::uint32_t lerp(std::uint32_t p, std::uint32_t q, std::uint32_t fraction)
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

// x * a / 255 per byte, rounded as Qt rounds it (its BYTE_MUL).
inline std::uint32_t byteMul(std::uint32_t x, std::uint32_t a)
{
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t t = ((x >> shift) & 0xFF) * a;
        out |= (((t + (t >> 8) + 0x80) >> 8) & 0xFF) << shift;
    }
    return out;
}

// Straight ARGB to premultiplied (Qt's qPremultiply).
inline std::uint32_t premultiplyPixel(std::uint32_t x)
{
    const std::uint32_t a = x >> 24;
    return (byteMul(x, a) & 0x00FFFFFFu) | (a << 24);
}

// A premultiplied pixel s over d (Qt's source-over).
inline std::uint32_t blendPixel(std::uint32_t d, std::uint32_t s)
{
    return s + byteMul(d, 255 - (s >> 24));
}

// A premultiplied pixel s at opacity 0..255 over d (Qt's source-over with a constant alpha).
inline std::uint32_t blendPixelAt(std::uint32_t d, std::uint32_t s, std::uint32_t opacity)
{
    return blendPixel(d, byteMul(s, opacity));
}

// An opaque pixel s at opacity 0..255 over d (Qt's RGB32 on RGB32 with a constant alpha).
inline std::uint32_t mixPixel(std::uint32_t d, std::uint32_t s, std::uint32_t opacity)
{
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t t =
            ((s >> shift) & 0xFF) * opacity + ((d >> shift) & 0xFF) * (255 - opacity);
        out |= (((t + (t >> 8) + 0x80) >> 8) & 0xFF) << shift;
    }
    return out;
}

// The watermark over a frame pixel: s is straight ARGB; per colour byte
// d = min((s * a - ((a * d * 255) >> 8) + d * 255) / 255, 255); the fourth byte becomes 0xFF.
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
