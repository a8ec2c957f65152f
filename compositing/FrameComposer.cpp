#include "FrameComposer.h"

#include "CMLayer.h"
#include "FrameContext.h"
#include "PixelRows.h"

#include <QImage>

#include <algorithm>
#include <climits>

namespace {

constexpr std::uint32_t OpaqueBlack = 0xFF000000u;

} // namespace

void FrameComposer::compose(const QList<QPointer<CMLayer>> &layers, const FrameContext &context,
                            QImage *frame, bool *anyDeleted)
{
    if (anyDeleted)
        *anyDeleted = false;
    if (!frame || frame->isNull() || frame->depth() != 32 || frame->size() != context.size ||
        !context.kernels)
        return;
    const PixelRows::Kernels &kernels = *context.kernels;
    const int width = frame->width();
    const int height = frame->height();

    m_painters.clear();
    m_prepared.clear();
    for (const QPointer<CMLayer> &entry : layers) {
        CMLayer *layer = entry.data();
        if (!layer)
            continue;
        if (layer->isDeleted()) {
            if (anyDeleted)
                *anyDeleted = true;
            continue;
        }
        m_prepared.push_back(layer);
        const QRect rect = layer->prepareFrame(context).intersected(frame->rect());
        if (!rect.isEmpty())
            m_painters.push_back({layer, rect, layer->paintsOpaque()});
    }

    const bool streaming = m_store == Store::Streaming ||
                           (m_store == Store::Automatic &&
                            std::int64_t(frame->bytesPerLine()) * height > StreamingBytes);
    // Through the caches the rows are built in the frame itself; past them, in a buffer that
    // stays in the cache until the finished row is streamed out.
    m_row.resize(streaming ? size_t(width) : 0);
    int planEnd = 0;
    for (int y = 0; y < height; ++y) {
        if (y == planEnd)
            planEnd = _planRows(y, width);
        auto *target = reinterpret_cast<std::uint32_t *>(frame->scanLine(y));
        std::uint32_t *row = streaming ? m_row.data() : target;
        for (const Span &span : m_uncovered)
            kernels.fill(row + span.first, span.second - span.first, OpaqueBlack);
        for (const Piece &piece : m_pieces)
            m_painters[size_t(piece.painter)].layer->paintRow(y, row, piece.left, piece.right);
        if (streaming)
            kernels.stream(target, row, width);
    }
    if (streaming)
        PixelRows::finishStreaming();
    for (CMLayer *layer : m_prepared)
        layer->finishFrame();
}

int FrameComposer::_planRows(int y, int width)
{
    m_pieces.clear();
    m_covered.clear();
    int next = INT_MAX;
    // Top down: each layer shows where no opaque layer above it covers the row.
    for (int i = int(m_painters.size()) - 1; i >= 0; --i) {
        const Painter &p = m_painters[size_t(i)];
        if (y < p.rect.top()) {
            next = std::min(next, p.rect.top());
            continue;
        }
        if (y > p.rect.bottom())
            continue;
        next = std::min(next, p.rect.bottom() + 1);
        int from = p.rect.left();
        const int right = p.rect.right() + 1;
        for (const Span &covered : m_covered) { // sorted, disjoint
            if (covered.second <= from)
                continue;
            if (covered.first >= right)
                break;
            if (covered.first > from)
                m_pieces.push_back({i, from, covered.first});
            from = std::max(from, covered.second);
            if (from >= right)
                break;
        }
        if (from < right)
            m_pieces.push_back({i, from, right});
        if (p.opaque) {
            m_covered.emplace_back(p.rect.left(), right);
            std::sort(m_covered.begin(), m_covered.end());
            size_t kept = 0;
            for (size_t c = 1; c < m_covered.size(); ++c) {
                if (m_covered[c].first <= m_covered[kept].second)
                    m_covered[kept].second = std::max(m_covered[kept].second, m_covered[c].second);
                else
                    m_covered[++kept] = m_covered[c];
            }
            m_covered.resize(kept + 1);
        }
    }
    // Painted bottom first.
    std::reverse(m_pieces.begin(), m_pieces.end());
    m_uncovered.clear();
    int from = 0;
    for (const Span &covered : m_covered) {
        if (covered.first > from)
            m_uncovered.emplace_back(from, covered.first);
        from = std::max(from, covered.second);
    }
    if (from < width)
        m_uncovered.emplace_back(from, width);
    return next;
}
