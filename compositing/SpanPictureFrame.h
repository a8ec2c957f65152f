#pragma once

#include "SpanPicture.h"

#include <QPoint>
#include <QRect>

#include <cstdint>
#include <memory>

struct FrameContext;
namespace PixelRows {
struct Kernels;
}

// One composition's hold on a layer's cached picture: taken when the frame starts, blended row
// by row, let go when it ends, so an edit meanwhile never changes what this frame paints.
class SpanPictureFrame
{
public:
    // Holds picture placed with its origin at topLeft; returns the frame pixels it covers.
    QRect begin(std::shared_ptr<const SpanPicture> picture, const QPoint &topLeft,
                const FrameContext &frame);
    void paintRow(int y, std::uint32_t *row, int left, int right) const;
    void end() { m_picture.reset(); }

private:
    std::shared_ptr<const SpanPicture> m_picture;
    QPoint m_origin;
    const PixelRows::Kernels *m_kernels = nullptr;
};
