#pragma once

#include "FrameSize.h"

#include <array>
#include <cstdint>
#include <vector>

class QImage;

namespace PixelRows {
struct Kernels;
}

// The per-frame scaling of composition: 32-bit pictures, any channel order, each of the four
// bytes scaled alone. One-off scaling (a picture when it loads, the watermark) stays with Qt.
//
// Scaling is exact for flat areas: every filter weighs its source pixels with weights that
// add up to exactly one, so a solid colour, and an alpha of 255, come out unchanged at every
// pair of sizes.
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

// One scaling between two sizes, made one output row at a time, so that composition can scale
// a picture straight into the rows it builds. Everything that depends only on the sizes is
// computed once; rows are cheapest asked top to bottom (a source row filtered across is kept
// for the next output row), but any order gives the same pixels.
class RowScaler
{
public:
    // False (and the scaler unusable) when a size is not positive or above MaxSide.
    bool prepare(int srcWidth, int srcHeight, int dstWidth, int dstHeight, Filter filter);
    bool isPrepared() const { return m_dstWidth > 0; }
    bool matches(int srcWidth, int srcHeight, int dstWidth, int dstHeight, Filter filter) const;

    // The source pixels changed: forget what was filtered from the previous ones.
    void newSource();
    // Output row y (0 .. dstHeight - 1) from the source picture (rows of srcStride bytes), all
    // dstWidth pixels, each | orMask.
    void scaleRow(const std::uint8_t *src, int srcStride, int y, std::uint32_t *out,
                  std::uint32_t orMask, const PixelRows::Kernels &kernels)
    {
        scaleSpan(src, srcStride, y, 0, m_dstWidth, out, orMask, kernels);
    }
    // Only the output pixels [begin, end) of row y (0 <= begin < end <= dstWidth), into
    // out[0 .. end - begin): the same pixels as those of the whole row, for a row partly
    // hidden by what is painted over it.
    void scaleSpan(const std::uint8_t *src, int srcStride, int y, int begin, int end,
                   std::uint32_t *out, std::uint32_t orMask, const PixelRows::Kernels &kernels);

    int sourceWidth() const { return m_srcWidth; }
    int sourceHeight() const { return m_srcHeight; }
    int width() const { return m_dstWidth; }
    int height() const { return m_dstHeight; }

private:
    // One axis: which source pixels each output pixel reads, and how much of the second.
    struct Axis
    {
        std::vector<std::int32_t> first;
        std::vector<std::int32_t> second;
        std::vector<std::uint32_t> fractions; // f | f << 16, f of 128
    };
    static void mapNearest(int from, int to, Axis *axis);
    static void mapBilinear(int from, int to, Axis *axis);
    const std::uint32_t *_filteredRow(const std::uint8_t *src, int srcStride, int y, int keep,
                                      const PixelRows::Kernels &kernels);

    int m_srcWidth = 0;
    int m_srcHeight = 0;
    int m_dstWidth = 0;
    int m_dstHeight = 0;
    Filter m_filter = Filter::Fast;
    Axis m_columns;
    Axis m_rows;
    // Source rows filtered across (or, narrowing down, two rows blended), and which they are.
    std::array<std::vector<std::uint32_t>, 2> m_filtered;
    std::array<int, 2> m_filteredRow{{-1, -1}};
};

// Scales a 32-bit picture of srcWidth x srcHeight into dstWidth x dstHeight, ignoring the
// aspect ratio. False (and nothing written) when a size is not positive or above MaxSide, a
// stride is too small or a pointer is null.
bool scale32(const std::uint8_t *src, int srcStride, int srcWidth, int srcHeight, std::uint8_t *dst,
             int dstStride, int dstWidth, int dstHeight, Filter filter, Alpha alpha = Alpha::Keep);

// Scales src (any 32-bit format) into dst, which must already have the wanted size and a
// 32-bit format; the result keeps the channel bytes as they are (or sets the fourth).
bool scaleInto(const QImage &src, QImage *dst, Filter filter, Alpha alpha = Alpha::Keep);

} // namespace ImageScaler
