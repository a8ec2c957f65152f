#pragma once

#include <QList>
#include <QPointer>
#include <QRect>

#include <cstdint>
#include <utility>
#include <vector>

class CMLayer;
class QImage;
struct FrameContext;

// Composes one output frame from the layer list in a single pass over the frame: each row is
// built in a small buffer that stays in the processor's cache (black where no opaque layer
// covers it, then every layer that crosses the row, bottom first) and then written to the frame
// once, past the caches when the frame is large. The frame is never filled or read back; what
// opaque layers hide (the game under an opaque camera, the black under the game) is neither
// filled nor painted, row by row.
class FrameComposer
{
public:
    enum class Store {
        Cached,    // through the caches: a frame that fits them is read back soon by the host
        Streaming, // past the caches: a frame larger than they are would only push out others
        Automatic, // streaming for frames above StreamingBytes
    };
    static constexpr std::int64_t StreamingBytes = 16 * 1024 * 1024;

    // Composes layers (list order, bottom first; null entries skipped) into frame, an opaque
    // 32-bit picture of context.size. anyDeleted reports whether a layer marked deleted was met.
    void compose(const QList<QPointer<CMLayer>> &layers, const FrameContext &context, QImage *frame,
                 bool *anyDeleted);

    void setStore(Store store) { m_store = store; }

private:
    struct Painter
    {
        CMLayer *layer;
        QRect rect;
        bool opaque;
    };

    // What one row paints: a layer's visible columns [left, right), bottom first.
    struct Piece
    {
        int painter;
        int left;
        int right;
    };
    using Span = std::pair<int, int>; // columns [first, second)

    // The pieces of row y and the spans no opaque layer covers (to fill black); returns the
    // first row below y where they change.
    int _planRows(int y, int width);

    std::vector<Painter> m_painters;
    std::vector<Piece> m_pieces;
    std::vector<Span> m_covered;
    std::vector<Span> m_uncovered;
    std::vector<CMLayer *> m_prepared;
    std::vector<std::uint32_t> m_row;
    Store m_store = Store::Automatic;
};
