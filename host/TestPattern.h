#pragma once

#include <QImage>

// The built-in game picture: colour bars, a box that moves across them, and the frame number
// with the time, so a stalled or repeated frame is obvious on screen. Every frame is drawn into
// the same buffer.
class TestPattern
{
public:
    explicit TestPattern(const QSize &size);

    // Draws frame number index into the pattern's own buffer and returns it.
    const QImage &render(qint64 index);
    QSize size() const { return m_frame.size(); }

private:
    QImage m_bars;
    QImage m_frame;
};
