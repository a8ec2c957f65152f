#include "CMGamepicLayer.h"

#include "CrossThreadEvent.h"
#include "FrameContext.h"
#include "ImageScaler.h"
#include "IPreviewController.h"
#include "PixelRows.h"
#include "PushedFrame.h"
#include "UpdateEvent.h"

CMGamepicLayer::CMGamepicLayer(IPreviewController *controller)
{
    if (controller)
        controller->gameVideoInput().connect(this, &CMGamepicLayer::onVideoData);
}

CMGamepicLayer::~CMGamepicLayer()
{
    // Waits for a frame call running on a capture thread, and refuses new ones, before any
    // member goes.
    disconnect_all();
}

LayerState CMGamepicLayer::state() const
{
    LayerState state = CMBasicLayer::state();
    state.alpha = alpha();
    return state;
}

void CMGamepicLayer::setUILayer(LayerItem *item)
{
    if (!item)
        return;
    CMBasicLayer::setUILayer(item);
    connect(item, &LayerItem::sigAlphaChanged, this, &CMGamepicLayer::onAlphaChanged,
            Qt::UniqueConnection);
}

QRect CMGamepicLayer::prepareFrame(const FrameContext &frame)
{
    // The rectangle follows the scale even while the layer is hidden.
    CMBasicLayer::prepareFrame(frame);
    if (!isCombine() || !frame.game)
        return QRect();
    const QRect rect = outputPixelRect();
    const PushedFrame &game = *frame.game;
    if (!m_scaler.prepare(game.width(), game.height(), rect.width(), rect.height(),
                          ImageScaler::Filter::Smooth))
        return QRect();
    m_frameGame = frame.game;
    m_frameRect = rect;
    m_frameOpacity = PixelRows::opacityFromPercent(alpha());
    m_frameKernels = frame.kernels;
    return rect.intersected(QRect(QPoint(), frame.size));
}

bool CMGamepicLayer::paintsOpaque() const
{
    return alpha() >= 100;
}

void CMGamepicLayer::paintRow(int y, std::uint32_t *row, int left, int right)
{
    const PixelRows::Kernels &kernels = *m_frameKernels;
    const int begin = left - m_frameRect.left();
    const int end = right - m_frameRect.left();
    const std::uint8_t *bits = m_frameGame->bits();
    const int line = y - m_frameRect.top();
    // The game's fourth byte is whatever the host left there: it becomes 0xFF as it is scaled.
    if (m_frameOpacity >= 255) {
        m_scaler.scaleSpan(bits, m_frameGame->stride(), line, begin, end, row + left, 0xFF000000u,
                           kernels);
        return;
    }
    m_scaledRow.resize(size_t(m_frameRect.width()));
    m_scaler.scaleSpan(bits, m_frameGame->stride(), line, begin, end, m_scaledRow.data(),
                       0xFF000000u, kernels);
    kernels.mix(row + left, m_scaledRow.data(), end - begin, m_frameOpacity);
}

void CMGamepicLayer::finishFrame()
{
    m_frameGame = nullptr;
}

void CMGamepicLayer::onVideoData(const PushedFrame &frame)
{
    // The picture is for the scene item alone; without one nobody would see it.
    if (!isPreviewing() || !hasUILayer())
        return;
    QImage picture;
    const QRectF rc = uiRect();
    const int w = truncate(rc.width());
    const int h = truncate(rc.height());
    // A frame longer than its rows may be laid out otherwise than it says: the item then shows
    // no picture rather than garbage.
    if (frame.isExact() && ImageScaler::isSaneSize(w, h)) {
        picture = QImage(w, h, QImage::Format_RGB32);
        if (picture.isNull() ||
            !ImageScaler::scale32(frame.bits(), frame.stride(), frame.width(), frame.height(),
                                  picture.bits(), int(picture.bytesPerLine()), w, h,
                                  ImageScaler::Filter::Fast, ImageScaler::Alpha::Opaque))
            picture = QImage();
    }
    CrossThreadEvent::post(this, new UpdateEvent(picture));
}

void CMGamepicLayer::onAlphaChanged(int alpha)
{
    m_alpha.store(alpha, std::memory_order_relaxed);
}

bool CMGamepicLayer::event(QEvent *event)
{
    CrossThreadEvent::received(event);
    if (event->type() == UpdateEvent::eventType()) {
        if (IGameLayerItem *game = m_uiLayer ? m_uiLayer->gameItem() : nullptr)
            game->setGamePicture(static_cast<UpdateEvent *>(event)->image());
        return true;
    }
    return CMBasicLayer::event(event);
}
