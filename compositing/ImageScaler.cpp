#include "ImageScaler.h"

#include <QImage>

#include <libyuv/planar_functions.h>
#include <libyuv/scale_argb.h>

namespace ImageScaler {

bool scale32(const std::uint8_t *src, int srcStride, int srcWidth, int srcHeight,
             std::uint8_t *dst, int dstStride, int dstWidth, int dstHeight, Filter filter)
{
    if (!src || !dst || srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0)
        return false;
    const libyuv::FilterMode mode =
        filter == Filter::Smooth ? libyuv::kFilterBilinear : libyuv::kFilterNone;
    return libyuv::ARGBScale(src, srcStride, srcWidth, srcHeight, dst, dstStride, dstWidth,
                             dstHeight, mode)
           == 0;
}

bool scaleInto(const QImage &src, QImage *dst, Filter filter)
{
    if (!dst || src.isNull() || dst->isNull() || src.depth() != 32 || dst->depth() != 32)
        return false;
    return scale32(src.constBits(), int(src.bytesPerLine()), src.width(), src.height(),
                   dst->bits(), int(dst->bytesPerLine()), dst->width(), dst->height(), filter);
}

void premultiply(QImage *image)
{
    if (!image || image->isNull() || image->depth() != 32)
        return;
    const int stride = int(image->bytesPerLine());
    libyuv::ARGBAttenuate(image->constBits(), stride, image->bits(), stride, image->width(),
                          image->height());
}

void makeOpaque(QImage *image, const QRect &rect)
{
    if (!image || image->isNull() || image->depth() != 32)
        return;
    const QRect r = rect.intersected(image->rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto *line = reinterpret_cast<std::uint32_t *>(image->scanLine(y)) + r.left();
        for (int x = 0; x < r.width(); ++x)
            line[x] |= 0xFF000000u;
    }
}

void fill(QImage *image, const QRect &rect, std::uint32_t value)
{
    if (!image || image->isNull() || image->depth() != 32)
        return;
    const QRect r = rect.intersected(image->rect());
    if (r.isEmpty())
        return;
    libyuv::ARGBRect(image->bits(), int(image->bytesPerLine()), r.left(), r.top(), r.width(),
                     r.height(), value);
}

} // namespace ImageScaler
