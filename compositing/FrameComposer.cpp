#include "FrameComposer.h"

#include "CMLayer.h"
#include "FrameContext.h"
#include "PixelRows.h"

#include <QImage>

#include <algorithm>

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
    const int count = int(m_painters.size());
    for (int y = 0; y < height; ++y) {
        auto *target = reinterpret_cast<std::uint32_t *>(frame->scanLine(y));
        std::uint32_t *row = streaming ? m_row.data() : target;
        // The topmost opaque layer on this row hides everything below it in its columns.
        int base = -1;
        for (int i = count - 1; i >= 0; --i) {
            const Painter &p = m_painters[size_t(i)];
            if (p.opaque && y >= p.rect.top() && y <= p.rect.bottom()) {
                base = i;
                break;
            }
        }
        const int hiddenLeft = base >= 0 ? m_painters[size_t(base)].rect.left() : 0;
        const int hiddenRight = base >= 0 ? m_painters[size_t(base)].rect.right() + 1 : 0;
        kernels.fill(row, hiddenLeft, OpaqueBlack);
        kernels.fill(row + hiddenRight, width - hiddenRight, OpaqueBlack);
        for (int i = 0; i < count; ++i) {
            const Painter &p = m_painters[size_t(i)];
            if (y < p.rect.top() || y > p.rect.bottom())
                continue;
            const int left = p.rect.left();
            const int right = p.rect.right() + 1;
            if (i >= base) {
                p.layer->paintRow(y, row, left, right);
                continue;
            }
            if (left < hiddenLeft)
                p.layer->paintRow(y, row, left, std::min(right, hiddenLeft));
            if (right > hiddenRight)
                p.layer->paintRow(y, row, std::max(left, hiddenRight), right);
        }
        if (streaming)
            kernels.stream(target, row, width);
    }
    if (streaming)
        PixelRows::finishStreaming();
    for (CMLayer *layer : m_prepared)
        layer->finishFrame();
}
