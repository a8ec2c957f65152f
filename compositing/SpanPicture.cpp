#include "SpanPicture.h"

#include <algorithm>

SpanPicture::SpanPicture(QImage picture, QPoint offset, int joinGap)
    : m_picture(std::move(picture))
    , m_offset(offset)
{
    if (m_picture.isNull() || m_picture.depth() != 32 || !m_picture.hasAlphaChannel()) {
        m_picture = QImage();
        return;
    }
    const int width = m_picture.width();
    m_rowStart.reserve(size_t(m_picture.height()) + 1);
    for (int y = 0; y < m_picture.height(); ++y) {
        m_rowStart.push_back(int(m_runs.size()));
        const auto *line = reinterpret_cast<const std::uint32_t *>(m_picture.constScanLine(y));
        int x = 0;
        while (x < width) {
            while (x < width && (line[x] >> 24) == 0)
                ++x;
            if (x == width)
                break;
            const int begin = x;
            while (x < width && (line[x] >> 24) != 0)
                ++x;
            const size_t first = size_t(m_rowStart.back());
            if (m_runs.size() > first && begin - m_runs.back().end < joinGap)
                m_runs.back().end = x;
            else
                m_runs.push_back({begin, x});
        }
        for (size_t i = size_t(m_rowStart.back()); i < m_runs.size(); ++i)
            m_paintedPixels += m_runs[i].end - m_runs[i].begin;
    }
    m_rowStart.push_back(int(m_runs.size()));
}
