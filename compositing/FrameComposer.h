#pragma once

#include <QList>
#include <QPointer>
#include <QRect>

#include <cstdint>
#include <vector>

class CMLayer;
class QImage;
struct FrameContext;

// Composes one output frame from the layer list in a single pass over the frame: each row is
// built in a small buffer that stays in the processor's cache (black where no opaque layer
// covers it, then every layer that crosses the row, bottom first) and then written to the frame
// once, past the caches when the frame is large. The frame is never filled or read back; what
// lies under an opaque layer (the game picture, usually) is neither filled nor painted.
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

    std::vector<Painter> m_painters;
    std::vector<CMLayer *> m_prepared;
    std::vector<std::uint32_t> m_row;
    Store m_store = Store::Automatic;
};
