#pragma once

#include "FrameSize.h"

#include <QRect>

#include <cstdint>

class QImage;

// The per-frame pixel work of composition: 32-bit pixel scaling and filling. One-off scaling
// (a picture when it loads, the watermark) stays with Qt.
//
// Scaling is exact for flat areas: every filter weighs its source pixels with weights that
// add up to exactly one, so a solid colour, and an alpha of 255, come out unchanged at every
// pair of sizes. The row kernels are chosen once for the processor (AVX2 where present, plain
// C++ otherwise) and give the same bytes either way.
namespace ImageScaler {

constexpr int MaxSide = FrameSize::MaxSide;

inline bool isSaneSize(int width, int height)
{
    return FrameSize::isComposable(width, height);
}

enum class Filter {
    Fast,   // nearest pixel
    Smooth, // bilinear, pixel centres aligned, edges repeated
};

enum class Alpha {
    Keep,   // the fourth byte is filtered like the others
    Opaque, // the fourth byte of every written pixel becomes 0xFF, in the same pass
};

enum class Store {
    Cached,
    Streaming, // the result is not read again soon (a finished frame): bypass the cache
};

// Scales a 32-bit picture of srcWidth x srcHeight into dstWidth x dstHeight, ignoring the
// aspect ratio. Channels are scaled independently, so any 32-bit layout works. False (and
// nothing written) when a size is not positive or above MaxSide, a stride is too small or a
// pointer is null.
bool scale32(const std::uint8_t *src, int srcStride, int srcWidth, int srcHeight, std::uint8_t *dst,
             int dstStride, int dstWidth, int dstHeight, Filter filter, Alpha alpha = Alpha::Keep,
             Store store = Store::Cached);

// Scales src (any 32-bit format) into dst, which must already have the wanted size and a
// 32-bit format; the result keeps the channel bytes as they are (or sets the fourth).
bool scaleInto(const QImage &src, QImage *dst, Filter filter, Alpha alpha = Alpha::Keep);

// Premultiplies the colour bytes of a 32-bit picture holding straight ARGB, in place; the
// picture is then tagged premultiplied.
void premultiply(QImage *image);

// Fills rect (clipped to the image) with the 32-bit value.
void fill(QImage *image, const QRect &rect, std::uint32_t value);

// Blends a non-premultiplied ARGB watermark into the top-left corner of a 32-bit frame,
// clipped to the frame, by the integer formula of FrameSender::stampWatermark; every covered
// pixel's fourth byte becomes 0xFF. Nothing happens unless both pictures are 32-bit.
void blendWatermark(QImage *frame, const QImage &watermark);

// The row kernels in use. Tests and benchmarks switch between them; the product never does.
enum class InstructionSet {
    Portable,
    Avx2,
};
InstructionSet instructionSet();
// False (and nothing changed) when the processor lacks the set.
bool setInstructionSet(InstructionSet set);

} // namespace ImageScaler
