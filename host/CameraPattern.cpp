#include "CameraPattern.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QTime>

CameraPattern::CameraPattern(const QSize &size)
    : m_frame(size, QImage::Format_ARGB32)
{
    m_frame.fill(Qt::black);
}

const QImage &CameraPattern::render(qint64 index)
{
    const int w = m_frame.width();
    const int h = m_frame.height();
    QPainter painter(&m_frame);
    painter.setRenderHint(QPainter::Antialiasing);

    const int hue = int(index * 2 % 360);
    QLinearGradient wash(0, 0, w, h);
    wash.setColorAt(0.0, QColor::fromHsv(hue, 160, 200));
    wash.setColorAt(1.0, QColor::fromHsv((hue + 120) % 360, 200, 90));
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(m_frame.rect(), wash);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    // A ball bouncing on both axes, so any crop or mirroring of the camera shows.
    const int radius = qMax(4, h / 10);
    const auto bounce = [](qint64 step, int span) {
        if (span <= 0)
            return 0;
        const qint64 phase = step % (2 * span);
        return int(phase < span ? phase : 2 * span - phase);
    };
    const int x = radius + bounce(index * 5, w - 2 * radius);
    const int y = radius + bounce(index * 3, h - 2 * radius);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(QColor(255, 214, 0));
    painter.drawEllipse(QPoint(x, y), radius, radius);

    QFont font = painter.font();
    font.setPixelSize(qMax(8, h / 14));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, w, h).adjusted(8, 4, -8, -4), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("VIRTUAL CAM  #%1").arg(index));
    painter.drawText(QRect(0, 0, w, h).adjusted(8, 4, -8, -4), Qt::AlignRight | Qt::AlignBottom,
                     QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
    return m_frame;
}
