#pragma once

#include "FrameSize.h"

#include <QRect>

#include <cstdint>

class QImage;

// The per-frame pixel work of composition: 32-bit pixel scaling and filling, done by libyuv
// because QImage::scaled is two orders of magnitude slower for a full frame. One-off scaling
// (a picture when it loads, the watermark) stays with Qt.
namespace ImageScaler {

constexpr int MaxSide = FrameSize::MaxSide;

inline bool isSaneSize(int width, int height)
{
    return FrameSize::isComposable(width, height);
}

enum class Filter {
    Fast,   // nearest pixel
    Smooth, // bilinear
};

// Scales a 32-bit picture of srcWidth x srcHeight into dstWidth x dstHeight, ignoring the
// aspect ratio. Channels are scaled independently, so any 32-bit layout works. False (and
// nothing written) when a size is not positive or a pointer is null.
bool scale32(const std::uint8_t *src, int srcStride, int srcWidth, int srcHeight, std::uint8_t *dst,
             int dstStride, int dstWidth, int dstHeight, Filter filter);

// Scales src (any 32-bit format) into dst, which must already have the wanted size and a
// 32-bit format; the result keeps the channel bytes as they are.
bool scaleInto(const QImage &src, QImage *dst, Filter filter);

// Premultiplies the colour bytes of a 32-bit picture holding straight ARGB, in place; the
// picture is then tagged premultiplied.
void premultiply(QImage *image);

// Sets the fourth byte of every pixel of rect (clipped to the image) to 0xFF.
void makeOpaque(QImage *image, const QRect &rect);

// Fills rect (clipped to the image) with the 32-bit value.
void fill(QImage *image, const QRect &rect, std::uint32_t value);

} // namespace ImageScaler
