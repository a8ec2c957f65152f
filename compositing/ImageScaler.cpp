#include "ImageScaler.h"

#include "PixelRows.h"

#include <QImage>

#include <algorithm>
#include <array>
#include <atomic>
#include <vector>

namespace ImageScaler {

namespace {

const PixelRows::Kernels *bestKernels()
{
    const PixelRows::Kernels *simd = PixelRows::avx2();
    return simd ? simd : &PixelRows::portable();
}

std::atomic<const PixelRows::Kernels *> &currentKernels()
{
    static std::atomic<const PixelRows::Kernels *> s_kernels{bestKernels()};
    return s_kernels;
}

// One axis of a scaling: which source pixels each output pixel reads, and how much of each.
struct Axis
{
    std::vector<std::int32_t> first;
    std::vector<std::int32_t> second;
    std::vector<std::uint32_t> weights; // PixelRows::Columns::weights
    std::vector<std::uint8_t> blocks;   // PixelRows::Columns::blocks

    int fraction(int i) const { return int((weights[size_t(i)] >> 8) & 0xFF); }
};

// The source pixel whose centre is nearest to the output pixel's: floor((i + 0.5) * from / to).
void mapNearest(int from, int to, Axis *axis)
{
    axis->first.resize(size_t(to));
    for (int i = 0; i < to; ++i) {
        const std::int64_t index = (std::int64_t(2 * i + 1) * from) / (2 * std::int64_t(to));
        axis->first[size_t(i)] = int(std::min<std::int64_t>(index, from - 1));
    }
}

// Output pixel i's centre sits at (i + 0.5) * from / to - 0.5 in source pixels; it takes the two
// source pixels around it with 7-bit weights that add up to 128. Positions before the first
// or after the last centre repeat the edge pixel.
void mapBilinear(int from, int to, Axis *axis)
{
    axis->first.resize(size_t(to));
    axis->second.resize(size_t(to));
    axis->weights.resize(size_t(to));
    for (int i = 0; i < to; ++i) {
        const std::int64_t twiceToPosition = std::int64_t(2 * i + 1) * from - to;
        int left = 0;
        int fraction = 0;
        if (twiceToPosition > 0) {
            const std::int64_t position128 =
                (twiceToPosition * 128 + to) / (2 * std::int64_t(to)); // rounded
            left = int(position128 >> 7);
            fraction = int(position128 & 127);
        }
        if (left >= from - 1) {
            left = from - 1;
            fraction = 0;
        }
        axis->first[size_t(i)] = left;
        axis->second[size_t(i)] = fraction ? left + 1 : left;
        const std::uint32_t pair = std::uint32_t(128 - fraction) | std::uint32_t(fraction) << 8;
        axis->weights[size_t(i)] = pair | pair << 16;
    }
}

// How the row kernels may read each group of eight output pixels' sources (see
// PixelRows::Columns::blocks); reach is how far right of a tap the kernel reads (1 for
// bilinear's right neighbour).
void markBlocks(int from, int reach, Axis *axis)
{
    constexpr int MostBlocks = 3;
    const size_t groups = axis->first.size() / 8;
    axis->blocks.resize(groups);
    for (size_t g = 0; g < groups; ++g) {
        const int left = axis->first[g * 8];
        const int blocks = (axis->first[g * 8 + 7] - left) / 8 + 1;
        const bool fits = blocks <= MostBlocks && left + 8 * blocks - 1 + reach <= from - 1;
        axis->blocks[g] = std::uint8_t(fits ? blocks : 0);
    }
}

// Everything about one pair of sizes that does not depend on the pixels, plus the two
// horizontally filtered rows that the vertical pass blends.
struct Plan
{
    int srcWidth = 0;
    int srcHeight = 0;
    int dstWidth = 0;
    int dstHeight = 0;
    Filter filter = Filter::Fast;
    std::uint64_t lastUse = 0;
    Axis columns;
    Axis rows;
    std::array<std::vector<std::uint32_t>, 2> filtered;
    std::array<int, 2> filteredRow{{-1, -1}};

    bool matches(int sw, int sh, int dw, int dh, Filter f) const
    {
        return srcWidth == sw && srcHeight == sh && dstWidth == dw && dstHeight == dh &&
               filter == f;
    }

    void build(int sw, int sh, int dw, int dh, Filter f)
    {
        srcWidth = sw;
        srcHeight = sh;
        dstWidth = dw;
        dstHeight = dh;
        filter = f;
        if (f == Filter::Fast) {
            mapNearest(sw, dw, &columns);
            markBlocks(sw, 0, &columns);
            mapNearest(sh, dh, &rows);
        } else {
            mapBilinear(sw, dw, &columns);
            markBlocks(sw, 1, &columns);
            mapBilinear(sh, dh, &rows);
            for (std::vector<std::uint32_t> &row : filtered)
                row.resize(size_t(std::max(sw, dw)));
        }
    }

    PixelRows::Columns columnTaps() const
    {
        PixelRows::Columns taps;
        taps.first = columns.first.data();
        taps.second = columns.second.data();
        taps.weights = columns.weights.data();
        taps.blocks = columns.blocks.data();
        taps.count = dstWidth;
        return taps;
    }

    // Source row y filtered across, computed once per scaling; never evicts row keep.
    const std::uint32_t *filteredSourceRow(int y, int keep, const std::uint32_t *source,
                                           const PixelRows::Columns &taps,
                                           const PixelRows::Kernels &kernels)
    {
        for (size_t slot = 0; slot < filtered.size(); ++slot) {
            if (filteredRow[slot] == y)
                return filtered[slot].data();
        }
        const size_t slot = filteredRow[0] == keep ? 1 : 0;
        kernels.filterColumns(filtered[slot].data(), source, taps, 0);
        filteredRow[slot] = y;
        return filtered[slot].data();
    }
};

// A composing thread scales the game frame, the game layer's scene picture and the camera
// picture, each at its own pair of sizes: a few plans per thread avoid rebuilding any.
Plan &planFor(int sw, int sh, int dw, int dh, Filter filter)
{
    thread_local std::array<Plan, 4> plans;
    thread_local std::uint64_t clock = 0;
    ++clock;
    Plan *oldest = &plans[0];
    for (Plan &plan : plans) {
        if (plan.matches(sw, sh, dw, dh, filter)) {
            plan.lastUse = clock;
            return plan;
        }
        if (plan.lastUse < oldest->lastUse)
            oldest = &plan;
    }
    oldest->build(sw, sh, dw, dh, filter);
    oldest->lastUse = clock;
    return *oldest;
}

// Narrowing down to half or less skips source rows, which the processor's own prefetching does
// not foresee: ask for the next row while this one is scaled.
void prefetchRow(const std::uint8_t *row, int bytes)
{
#if defined(__GNUC__) || defined(__clang__)
    for (int offset = 0; offset < bytes; offset += 64)
        __builtin_prefetch(row + offset);
#else
    Q_UNUSED(row);
    Q_UNUSED(bytes);
#endif
}

} // namespace

bool scale32(const std::uint8_t *src, int srcStride, int srcWidth, int srcHeight, std::uint8_t *dst,
             int dstStride, int dstWidth, int dstHeight, Filter filter, Alpha alpha, Store store)
{
    if (!src || !dst || !isSaneSize(srcWidth, srcHeight) || !isSaneSize(dstWidth, dstHeight) ||
        srcStride < srcWidth * 4 || dstStride < dstWidth * 4)
        return false;
    const PixelRows::Kernels &kernels = *currentKernels().load(std::memory_order_relaxed);
    Plan &plan = planFor(srcWidth, srcHeight, dstWidth, dstHeight, filter);
    plan.filteredRow = {{-1, -1}}; // new pixels
    const PixelRows::Columns taps = plan.columnTaps();
    const std::uint32_t orMask = alpha == Alpha::Opaque ? 0xFF000000u : 0u;
    const bool streaming = store == Store::Streaming;
    const bool sameWidth = srcWidth == dstWidth;
    const bool skipsRows = srcHeight >= 2 * dstHeight;
    const auto sourceRow = [&](int y) {
        return reinterpret_cast<const std::uint32_t *>(src + std::ptrdiff_t(y) * srcStride);
    };

    for (int y = 0; y < dstHeight; ++y) {
        auto *out = reinterpret_cast<std::uint32_t *>(dst + std::ptrdiff_t(y) * dstStride);
        const int top = plan.rows.first[size_t(y)];
        if (skipsRows && y + 1 < dstHeight)
            prefetchRow(src + std::ptrdiff_t(plan.rows.first[size_t(y) + 1]) * srcStride,
                        srcWidth * 4);
        const int fraction = filter == Filter::Smooth ? plan.rows.fraction(y) : 0;
        if (fraction == 0) {
            if (sameWidth)
                kernels.copy(out, sourceRow(top), dstWidth, orMask, streaming);
            else if (filter == Filter::Smooth)
                kernels.filterColumns(out, sourceRow(top), taps, orMask);
            else
                kernels.pickColumns(out, sourceRow(top), taps, orMask);
            continue;
        }
        const int bottom = plan.rows.second[size_t(y)];
        const std::uint32_t *upper = sourceRow(top);
        const std::uint32_t *lower = sourceRow(bottom);
        if (sameWidth) {
            kernels.interpolate(out, upper, lower, dstWidth, fraction, orMask, streaming);
        } else if (srcHeight > dstHeight) {
            // Narrowing down, output rows rarely share a source row: blend the two rows at
            // source width, then filter across once per output row.
            std::uint32_t *blended = plan.filtered[0].data();
            kernels.interpolate(blended, upper, lower, srcWidth, fraction, 0, false);
            kernels.filterColumns(out, blended, taps, orMask);
        } else {
            // Widening down: each source row is filtered across once and blended into the
            // output rows around it.
            upper = plan.filteredSourceRow(top, bottom, upper, taps, kernels);
            lower = plan.filteredSourceRow(bottom, top, lower, taps, kernels);
            kernels.interpolate(out, upper, lower, dstWidth, fraction, orMask, streaming);
        }
    }
    return true;
}

bool scaleInto(const QImage &src, QImage *dst, Filter filter, Alpha alpha)
{
    if (!dst || src.isNull() || dst->isNull() || src.depth() != 32 || dst->depth() != 32)
        return false;
    return scale32(src.constBits(), int(src.bytesPerLine()), src.width(), src.height(), dst->bits(),
                   int(dst->bytesPerLine()), dst->width(), dst->height(), filter, alpha);
}

void premultiply(QImage *image)
{
    if (!image || image->isNull() || image->depth() != 32)
        return;
    // Qt's own conversion is exact (libyuv's attenuation rounds 255 down) and works in place.
    image->reinterpretAsFormat(QImage::Format_ARGB32);
    image->convertTo(QImage::Format_ARGB32_Premultiplied);
}

void fill(QImage *image, const QRect &rect, std::uint32_t value)
{
    if (!image || image->isNull() || image->depth() != 32)
        return;
    const QRect r = rect.intersected(image->rect());
    if (r.isEmpty())
        return;
    const qsizetype stride = image->bytesPerLine();
    uchar *row = image->bits() + r.top() * stride + r.left() * 4;
    for (int y = 0; y < r.height(); ++y, row += stride)
        std::fill_n(reinterpret_cast<std::uint32_t *>(row), r.width(), value);
}

void blendWatermark(QImage *frame, const QImage &watermark)
{
    if (!frame || frame->isNull() || frame->depth() != 32 || watermark.isNull() ||
        watermark.depth() != 32)
        return;
    const PixelRows::Kernels &kernels = *currentKernels().load(std::memory_order_relaxed);
    const int width = std::min(frame->width(), watermark.width());
    const int height = std::min(frame->height(), watermark.height());
    for (int y = 0; y < height; ++y) {
        kernels.stamp(reinterpret_cast<std::uint32_t *>(frame->scanLine(y)),
                      reinterpret_cast<const std::uint32_t *>(watermark.constScanLine(y)), width);
    }
}

InstructionSet instructionSet()
{
    return currentKernels().load() == PixelRows::avx2() && PixelRows::avx2()
               ? InstructionSet::Avx2
               : InstructionSet::Portable;
}

bool setInstructionSet(InstructionSet set)
{
    const PixelRows::Kernels *kernels =
        set == InstructionSet::Avx2 ? PixelRows::avx2() : &PixelRows::portable();
    if (!kernels)
        return false;
    currentKernels().store(kernels);
    return true;
}

} // namespace ImageScaler
