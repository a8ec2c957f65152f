#include "TestPattern.h"

#include <QFont>
#include <QPainter>
#include <QTime>

#include <cstring>

namespace {

const QRgb BarColours[] = {qRgb(192, 192, 192), qRgb(192, 192, 0), qRgb(0, 192, 192),
                           qRgb(0, 192, 0),     qRgb(192, 0, 192), qRgb(192, 0, 0),
                           qRgb(0, 0, 192)};

} // namespace

TestPattern::TestPattern(const QSize &size)
    : m_bars(size, QImage::Format_RGB32)
    , m_frame(size, QImage::Format_RGB32)
{
    QPainter painter(&m_bars);
    const int count = int(std::size(BarColours));
    for (int i = 0; i < count; ++i) {
        const int left = size.width() * i / count;
        const int right = size.width() * (i + 1) / count;
        painter.fillRect(left, 0, right - left, size.height() * 3 / 4, QColor(BarColours[i]));
    }
    painter.fillRect(0, size.height() * 3 / 4, size.width(), size.height() - size.height() * 3 / 4,
                     QColor(16, 16, 16));
}

const QImage &TestPattern::render(qint64 index)
{
    // Same size and format, so this copies pixels into the frame's own buffer.
    std::memcpy(m_frame.bits(), m_bars.constBits(), size_t(m_frame.sizeInBytes()));
    QPainter painter(&m_frame);
    const int w = m_frame.width();
    const int h = m_frame.height();
    const int box = qMax(8, h / 6);
    const int travel = qMax(1, w - box);
    const int phase = int(index * 8 % (2 * travel));
    const int x = phase < travel ? phase : 2 * travel - phase;
    painter.fillRect(x, (h * 3 / 4 - box) / 2, box, box, Qt::white);

    QFont font = painter.font();
    font.setPixelSize(qMax(10, h / 16));
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QString label = QStringLiteral("frame %1  %2")
                              .arg(index)
                              .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")));
    painter.drawText(QRect(0, h * 3 / 4, w, h / 4), Qt::AlignCenter, label);
    return m_frame;
}
