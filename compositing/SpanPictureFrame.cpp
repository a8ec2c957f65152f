#include "SpanPictureFrame.h"

#include "FrameContext.h"
#include "PixelRows.h"

#include <utility>

QRect SpanPictureFrame::begin(std::shared_ptr<const SpanPicture> picture, const QPoint &topLeft,
                              const FrameContext &frame)
{
    m_picture = std::move(picture);
    if (!m_picture)
        return QRect();
    m_origin = topLeft + m_picture->offset();
    m_kernels = frame.kernels;
    return m_picture->rectAt(topLeft).intersected(QRect(QPoint(), frame.size));
}

void SpanPictureFrame::paintRow(int y, std::uint32_t *row, int left, int right) const
{
    const PixelRows::Kernels &kernels = *m_kernels;
    std::uint32_t *target = row + m_origin.x();
    m_picture->forEachRun(y - m_origin.y(), left - m_origin.x(), right - m_origin.x(),
                          [&](int x, const std::uint32_t *pixels, int count) {
                              kernels.blend(target + x, pixels, count);
                          });
}
