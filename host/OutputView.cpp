#include "OutputView.h"

#include "OutputFeed.h"

#include <QPainter>
#include <QPaintEvent>

#include <libyuv/scale_argb.h>

#include <cmath>

namespace {

const QColor Backdrop(24, 24, 26);
const QColor FrameEdge(58, 58, 62);
const QColor HintText(150, 150, 156);
// Room around the picture, as the preview has.
constexpr int Margin = 16;

} // namespace

OutputView::OutputView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("outputView"));
    // Every pixel is painted in paintEvent: no background fill by Qt first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(240, 135);
}

void OutputView::setFeed(OutputFeed *feed)
{
    if (m_feed)
        disconnect(m_feed, nullptr, this, nullptr);
    m_feed = feed;
    if (m_feed)
        connect(m_feed, &OutputFeed::frameArrived, this, &OutputView::_rescale);
    _rescale();
}

QSize OutputView::sizeHint() const
{
    return QSize(560, 315);
}

QRect OutputView::frameRect() const
{
    if (m_target.isEmpty())
        return QRect();
    const qreal ratio = devicePixelRatioF();
    return QRectF(m_target.x() / ratio, m_target.y() / ratio, m_target.width() / ratio,
                  m_target.height() / ratio)
        .toAlignedRect();
}

void OutputView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    _rescale();
}

void OutputView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    _rescale();
}

void OutputView::_rescale()
{
    // Nobody sees a hidden view: scale the newest frame when it shows again.
    if (!isVisible())
        return;
    const FramePool::Frame *frame = m_feed ? m_feed->latest() : nullptr;
    if (!frame || frame->width < 1 || frame->height < 1) {
        m_target = QRect();
        update();
        return;
    }
    // Fit in device pixels, so the scaled picture maps 1:1 to the screen at any ratio.
    const qreal ratio = devicePixelRatioF();
    const QSize available =
        (QSizeF(size().shrunkBy(QMargins(Margin, Margin, Margin, Margin))) * ratio).toSize();
    if (available.width() < 1 || available.height() < 1)
        return;
    const int inset = qRound(Margin * ratio);
    const double scale = std::min(double(available.width()) / frame->width,
                                  double(available.height()) / frame->height);
    const QSize fitted(std::max(1, int(std::lround(frame->width * scale))),
                       std::max(1, int(std::lround(frame->height * scale))));
    m_target = QRect(QPoint(inset + (available.width() - fitted.width()) / 2,
                            inset + (available.height() - fitted.height()) / 2),
                     fitted);
    if (m_scaled.size() != fitted)
        m_scaled = QImage(fitted, QImage::Format_RGB32);
    // The engine's RGB32 (blue, green, red, 0xFF in memory) is what libyuv calls ARGB.
    libyuv::ARGBScale(frame->pixels.data(), frame->width * 4, frame->width, frame->height,
                      m_scaled.bits(), int(m_scaled.bytesPerLine()), fitted.width(),
                      fitted.height(), libyuv::kFilterBox);
    update();
}

void OutputView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Backdrop);
    if (m_target.isEmpty()) {
        painter.setPen(HintText);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
                         tr("The composed output appears here."));
        return;
    }
    // At the widget's own ratio the image is copied, not scaled again.
    const qreal ratio = devicePixelRatioF();
    m_scaled.setDevicePixelRatio(ratio);
    const QPointF topLeft = QPointF(m_target.topLeft()) / ratio;
    painter.drawImage(topLeft, m_scaled);
    QPen edge(FrameEdge);
    edge.setCosmetic(true);
    painter.setPen(edge);
    painter.drawRect(
        QRectF(topLeft, QSizeF(m_target.size()) / ratio).adjusted(-0.5, -0.5, 0.5, 0.5));
}
