#include "ImageScaler.h"

#include <QImage>

#include <libyuv/planar_functions.h>
#include <libyuv/scale_argb.h>

#include <vector>

namespace ImageScaler {

namespace {

// libyuv's horizontal bilinear filter weighs its two pixels with 7-bit fractions that add up
// to 127/128, so every widened picture comes out darker (255 becomes 253). Widening is
// therefore done here with 8-bit weights that add up to exactly 256; the vertical pass (and
// all narrowing) stays with libyuv, whose row interpolation is exact.
struct Column
{
    int left; // the two source pixels blended; equal at the right edge
    int right;
    std::uint32_t weight; // of the right source pixel, 0..256
};

void mapColumns(int srcWidth, int dstWidth, std::vector<Column> *columns)
{
    columns->resize(size_t(dstWidth));
    const double step = double(srcWidth) / double(dstWidth);
    for (int x = 0; x < dstWidth; ++x) {
        double position = (x + 0.5) * step - 0.5;
        if (position < 0)
            position = 0;
        int index = int(position);
        std::uint32_t weight = std::uint32_t((position - index) * 256.0 + 0.5);
        if (weight >= 256) {
            ++index;
            weight = 0;
        }
        if (index >= srcWidth - 1) {
            index = srcWidth - 1;
            weight = 0;
        }
        (*columns)[size_t(x)] = {index, weight == 0 ? index : index + 1, weight};
    }
}

void widenRows(const std::uint8_t *src, int srcStride, int srcWidth, int height, std::uint8_t *dst,
               int dstStride, int dstWidth)
{
    thread_local std::vector<Column> columns;
    thread_local int mappedFrom = 0;
    thread_local int mappedTo = 0;
    if (mappedFrom != srcWidth || mappedTo != dstWidth) {
        mapColumns(srcWidth, dstWidth, &columns);
        mappedFrom = srcWidth;
        mappedTo = dstWidth;
    }
    const Column *map = columns.data(); // hoisted: thread_local access is not free
    for (int y = 0; y < height; ++y) {
        const auto *in = reinterpret_cast<const std::uint32_t *>(src + qsizetype(y) * srcStride);
        auto *out = reinterpret_cast<std::uint32_t *>(dst + qsizetype(y) * dstStride);
        for (int x = 0; x < dstWidth; ++x) {
            const Column c = map[x];
            // No branch on the weight: widening ratios make it unpredictable.
            const std::uint32_t p = in[c.left];
            const std::uint32_t q = in[c.right];
            const std::uint32_t w = c.weight;
            const std::uint32_t v = 256 - w;
            // Two channels at a time, each in its own 16-bit lane.
            const std::uint32_t rb =
                (((p & 0x00FF00FFu) * v + (q & 0x00FF00FFu) * w + 0x00800080u) >> 8) & 0x00FF00FFu;
            const std::uint32_t ag =
                ((((p >> 8) & 0x00FF00FFu) * v + ((q >> 8) & 0x00FF00FFu) * w + 0x00800080u) &
                 0xFF00FF00u);
            out[x] = rb | ag;
        }
    }
}

} // namespace

bool scale32(const std::uint8_t *src, int srcStride, int srcWidth, int srcHeight, std::uint8_t *dst,
             int dstStride, int dstWidth, int dstHeight, Filter filter)
{
    if (!src || !dst || srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0)
        return false;
    const libyuv::FilterMode mode =
        filter == Filter::Smooth ? libyuv::kFilterBilinear : libyuv::kFilterNone;
    if (filter == Filter::Smooth && dstWidth > srcWidth) {
        if (dstHeight == srcHeight) {
            widenRows(src, srcStride, srcWidth, srcHeight, dst, dstStride, dstWidth);
            return true;
        }
        thread_local std::vector<std::uint8_t> rows;
        const int rowsStride = srcWidth * 4;
        rows.resize(size_t(rowsStride) * size_t(dstHeight));
        if (libyuv::ARGBScale(src, srcStride, srcWidth, srcHeight, rows.data(), rowsStride,
                              srcWidth, dstHeight, mode) != 0)
            return false;
        widenRows(rows.data(), rowsStride, srcWidth, dstHeight, dst, dstStride, dstWidth);
        return true;
    }
    return libyuv::ARGBScale(src, srcStride, srcWidth, srcHeight, dst, dstStride, dstWidth,
                             dstHeight, mode) == 0;
}

bool scaleInto(const QImage &src, QImage *dst, Filter filter)
{
    if (!dst || src.isNull() || dst->isNull() || src.depth() != 32 || dst->depth() != 32)
        return false;
    return scale32(src.constBits(), int(src.bytesPerLine()), src.width(), src.height(), dst->bits(),
                   int(dst->bytesPerLine()), dst->width(), dst->height(), filter);
}

void premultiply(QImage *image)
{
    if (!image || image->isNull() || image->depth() != 32)
        return;
    // Qt's own conversion is exact (libyuv's attenuation rounds 255 down) and works in place.
    image->reinterpretAsFormat(QImage::Format_ARGB32);
    image->convertTo(QImage::Format_ARGB32_Premultiplied);
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
