#include "ImageScaler.h"

#include "PixelRows.h"

#include <QImage>

#include <algorithm>

namespace ImageScaler {

// The source pixel whose centre is nearest to the output pixel's: floor((i + 0.5) * from / to).
void RowScaler::mapNearest(int from, int to, Axis *axis)
{
    axis->first.resize(size_t(to));
    axis->second.clear();
    axis->fractions.clear();
    for (int i = 0; i < to; ++i) {
        const std::int64_t index = (std::int64_t(2 * i + 1) * from) / (2 * std::int64_t(to));
        axis->first[size_t(i)] = int(std::min<std::int64_t>(index, from - 1));
    }
}

// Output pixel i's centre sits at (i + 0.5) * from / to - 0.5 in source pixels; it takes the two
// source pixels around it with 7-bit weights that add up to 128. Positions before the first
// or after the last centre repeat the edge pixel.
void RowScaler::mapBilinear(int from, int to, Axis *axis)
{
    axis->first.resize(size_t(to));
    axis->second.resize(size_t(to));
    axis->fractions.resize(size_t(to));
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
        axis->fractions[size_t(i)] = std::uint32_t(fraction) * 0x00010001u;
    }
}

bool RowScaler::prepare(int srcWidth, int srcHeight, int dstWidth, int dstHeight, Filter filter)
{
    if (!isSaneSize(srcWidth, srcHeight) || !isSaneSize(dstWidth, dstHeight)) {
        m_dstWidth = m_dstHeight = 0;
        return false;
    }
    if (matches(srcWidth, srcHeight, dstWidth, dstHeight, filter)) {
        newSource();
        return true;
    }
    m_srcWidth = srcWidth;
    m_srcHeight = srcHeight;
    m_dstWidth = dstWidth;
    m_dstHeight = dstHeight;
    m_filter = filter;
    if (filter == Filter::Fast) {
        mapNearest(srcWidth, dstWidth, &m_columns);
        mapNearest(srcHeight, dstHeight, &m_rows);
    } else {
        mapBilinear(srcWidth, dstWidth, &m_columns);
        mapBilinear(srcHeight, dstHeight, &m_rows);
        for (std::vector<std::uint32_t> &row : m_filtered)
            row.resize(size_t(std::max(srcWidth, dstWidth)));
    }
    newSource();
    return true;
}

bool RowScaler::matches(int srcWidth, int srcHeight, int dstWidth, int dstHeight,
                        Filter filter) const
{
    return m_srcWidth == srcWidth && m_srcHeight == srcHeight && m_dstWidth == dstWidth &&
           m_dstHeight == dstHeight && m_filter == filter;
}

void RowScaler::newSource()
{
    m_filteredRow = {{-1, -1}};
}

// Source row y filtered across, computed once per source; never evicts row keep.
const std::uint32_t *RowScaler::_filteredRow(const std::uint8_t *src, int srcStride, int y,
                                             int keep, const PixelRows::Kernels &kernels)
{
    for (size_t slot = 0; slot < m_filtered.size(); ++slot) {
        if (m_filteredRow[slot] == y)
            return m_filtered[slot].data();
    }
    const size_t slot = m_filteredRow[0] == keep ? 1 : 0;
    PixelRows::Columns taps;
    taps.first = m_columns.first.data();
    taps.second = m_columns.second.data();
    taps.fractions = m_columns.fractions.data();
    taps.count = m_dstWidth;
    taps.sourceWidth = m_srcWidth;
    kernels.filterColumns(
        m_filtered[slot].data(),
        reinterpret_cast<const std::uint32_t *>(src + std::ptrdiff_t(y) * srcStride), taps, 0);
    m_filteredRow[slot] = y;
    return m_filtered[slot].data();
}

namespace {

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

void RowScaler::scaleSpan(const std::uint8_t *src, int srcStride, int y, int begin, int end,
                          std::uint32_t *out, std::uint32_t orMask,
                          const PixelRows::Kernels &kernels)
{
    const auto sourceRow = [&](int row) {
        return reinterpret_cast<const std::uint32_t *>(src + std::ptrdiff_t(row) * srcStride);
    };
    const int count = end - begin;
    // The taps of the span: they still index the whole source row.
    PixelRows::Columns taps;
    taps.first = m_columns.first.data() + begin;
    taps.second = m_columns.second.empty() ? nullptr : m_columns.second.data() + begin;
    taps.fractions = m_columns.fractions.empty() ? nullptr : m_columns.fractions.data() + begin;
    taps.count = count;
    taps.sourceWidth = m_srcWidth;
    const bool sameWidth = m_srcWidth == m_dstWidth;
    const int top = m_rows.first[size_t(y)];
    if (m_srcHeight >= 2 * m_dstHeight && y + 1 < m_dstHeight)
        prefetchRow(src + std::ptrdiff_t(m_rows.first[size_t(y) + 1]) * srcStride, m_srcWidth * 4);

    const int fraction = m_filter == Filter::Smooth ? int(m_rows.fractions[size_t(y)] & 0xFF) : 0;
    if (fraction == 0) {
        if (sameWidth)
            kernels.copy(out, sourceRow(top) + begin, count, orMask);
        else if (m_filter == Filter::Smooth)
            kernels.filterColumns(out, sourceRow(top), taps, orMask);
        else
            kernels.pickColumns(out, sourceRow(top), taps, orMask);
        return;
    }
    const int bottom = m_rows.second[size_t(y)];
    const std::uint32_t *upper = sourceRow(top);
    const std::uint32_t *lower = sourceRow(bottom);
    if (sameWidth) {
        kernels.interpolate(out, upper + begin, lower + begin, count, fraction, orMask);
    } else if (m_srcHeight > m_dstHeight) {
        // Narrowing down, output rows rarely share a source row: blend the two rows (the
        // source columns the span reads) at source width, then filter across once per output
        // row.
        std::uint32_t *blended = m_filtered[0].data();
        m_filteredRow[0] = -1;
        const int from = m_columns.first[size_t(begin)];
        const int to = m_columns.second[size_t(end) - 1] + 1;
        kernels.interpolate(blended + from, upper + from, lower + from, to - from, fraction, 0);
        kernels.filterColumns(out, blended, taps, orMask);
    } else {
        // Widening down: each source row is filtered across once and blended into the output
        // rows around it.
        upper = _filteredRow(src, srcStride, top, bottom, kernels);
        lower = _filteredRow(src, srcStride, bottom, top, kernels);
        kernels.interpolate(out, upper + begin, lower + begin, count, fraction, orMask);
    }
}

namespace {

// A composing thread scales the game layer's scene picture and now and then a camera picture,
// each at its own pair of sizes: a few scalers per thread avoid preparing any twice.
RowScaler &scalerFor(int sw, int sh, int dw, int dh, Filter filter)
{
    struct Entry
    {
        RowScaler scaler;
        std::uint64_t lastUse = 0;
    };
    thread_local std::array<Entry, 4> entries;
    thread_local std::uint64_t clock = 0;
    ++clock;
    Entry *oldest = &entries[0];
    for (Entry &entry : entries) {
        if (entry.scaler.matches(sw, sh, dw, dh, filter)) {
            entry.lastUse = clock;
            entry.scaler.newSource();
            return entry.scaler;
        }
        if (entry.lastUse < oldest->lastUse)
            oldest = &entry;
    }
    oldest->scaler.prepare(sw, sh, dw, dh, filter);
    oldest->lastUse = clock;
    return oldest->scaler;
}

} // namespace

bool scale32(const std::uint8_t *src, int srcStride, int srcWidth, int srcHeight, std::uint8_t *dst,
             int dstStride, int dstWidth, int dstHeight, Filter filter, Alpha alpha)
{
    if (!src || !dst || !isSaneSize(srcWidth, srcHeight) || !isSaneSize(dstWidth, dstHeight) ||
        srcStride < srcWidth * 4 || dstStride < dstWidth * 4)
        return false;
    const PixelRows::Kernels &kernels = PixelRows::inUse();
    RowScaler &scaler = scalerFor(srcWidth, srcHeight, dstWidth, dstHeight, filter);
    const std::uint32_t orMask = alpha == Alpha::Opaque ? 0xFF000000u : 0u;
    for (int y = 0; y < dstHeight; ++y) {
        scaler.scaleRow(src, srcStride, y,
                        reinterpret_cast<std::uint32_t *>(dst + std::ptrdiff_t(y) * dstStride),
                        orMask, kernels);
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

} // namespace ImageScaler
