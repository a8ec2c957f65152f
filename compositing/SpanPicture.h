#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <algorithm>
#include <cstdint>
#include <vector>

// A picture that a layer paints into many frames without changing (a still picture, a text,
// the watermark), with the runs of each row that are not fully transparent, found once when it
// is made. A frame then blends only those runs: a text of a few glyphs over a 1080p frame
// costs its strokes, not its rectangle.
//
// The picture is 32-bit with alpha (premultiplied for layers, straight for the watermark);
// transparent means a fourth byte of 0. Its top-left corner sits at offset() from the point its
// owner places it at. Immutable once made, so a composition may use it without a lock while
// its owner makes the next one.
class SpanPicture
{
public:
    struct Run
    {
        int begin; // first pixel of the run
        int end;   // one past the last
    };

    SpanPicture() = default;
    // Gaps of transparent pixels shorter than joinGap inside a row are painted with the runs
    // around them: blending a few clear pixels costs less than starting another run.
    explicit SpanPicture(QImage picture, QPoint offset = QPoint(), int joinGap = 16);

    bool isNull() const { return m_picture.isNull(); }
    const QImage &picture() const { return m_picture; }
    QPoint offset() const { return m_offset; }
    // The picture's rectangle when its owner places it at origin.
    QRect rectAt(QPoint origin) const { return QRect(origin + m_offset, m_picture.size()); }
    // Pixels that are not transparent, over all runs (joined gaps included).
    std::int64_t paintedPixels() const { return m_paintedPixels; }

    // Calls paint(x, pixels, count) for each run of picture row y, clipped to [left, right)
    // (picture coordinates): pixels points at the run's first pixel, x is its column.
    template<class Paint>
    void forEachRun(int y, int left, int right, Paint &&paint) const
    {
        if (y < 0 || y >= m_picture.height())
            return;
        const auto *line = reinterpret_cast<const std::uint32_t *>(m_picture.constScanLine(y));
        for (int i = m_rowStart[size_t(y)]; i < m_rowStart[size_t(y) + 1]; ++i) {
            const int begin = std::max(m_runs[size_t(i)].begin, left);
            const int end = std::min(m_runs[size_t(i)].end, right);
            if (begin < end)
                paint(begin, line + begin, end - begin);
        }
    }

private:
    QImage m_picture;
    QPoint m_offset;
    std::vector<int> m_rowStart; // runs of row y: m_runs[m_rowStart[y] .. m_rowStart[y + 1])
    std::vector<Run> m_runs;
    std::int64_t m_paintedPixels = 0;
};
