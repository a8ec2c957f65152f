#pragma once

#include <QImage>

// The virtual camera's picture: a slowly turning colour wash with a bouncing ball and a label,
// opaque 32-bit ARGB, drawn into one reused buffer.
class CameraPattern
{
public:
    explicit CameraPattern(const QSize &size);

    const QImage &render(qint64 index);
    QSize size() const { return m_frame.size(); }

private:
    QImage m_frame;
};
