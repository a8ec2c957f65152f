#include "CMCameraLayer.h"

#include "CrossThreadEvent.h"
#include "FrameContext.h"
#include "HostTypes.h"
#include "ImageScaler.h"
#include "IPreviewController.h"
#include "Log.h"
#include "LogThrottle.h"
#include "PixelRows.h"
#include "PushedFrame.h"
#include "UpdateCameraEvent.h"

#include <appcommon/ZqCSAutoLocker.h>

#include <QCoreApplication>
#include <QThread>

#include <cstring>

namespace {

QEvent::Type openStatusEventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

} // namespace

CMCameraLayer::CMCameraLayer(IPreviewController *controller)
    : m_controller(controller)
{
    if (m_controller) {
        m_controller->cameraInput().connect(this, &CMCameraLayer::onCameraData);
        m_controller->cameraOpenStatusInput().connect(this, &CMCameraLayer::onCamOpenStatus);
    }
}

CMCameraLayer::~CMCameraLayer()
{
    // No frame call may reach a half-destroyed layer: wait for running ones, refuse new ones.
    disconnect_all();
}

QImage CMCameraLayer::image() const
{
    const ZqCSAutoLocker locker(&m_imageLock);
    return m_image;
}

LayerState CMCameraLayer::state() const
{
    LayerState state = CMBasicLayer::state();
    state.alpha = alpha();
    state.cameraParam = m_cameraParam;
    return state;
}

void CMCameraLayer::setUILayer(LayerItem *item)
{
    if (!item)
        return;
    CMBasicLayer::setUILayer(item);
    connect(item, &LayerItem::sigResized, this, &CMCameraLayer::onResized, Qt::UniqueConnection);
    connect(item, &LayerItem::sigAlphaChanged, this, &CMCameraLayer::onAlphaChanged,
            Qt::UniqueConnection);
    connect(item, &LayerItem::sigCameraParamChanged, this, &CMCameraLayer::onCameraParamChanged,
            Qt::UniqueConnection);
    connect(item, &LayerItem::sigKeyColorParamChanged, this, &CMCameraLayer::onKeyColorParamChanged,
            Qt::UniqueConnection);
}

void CMCameraLayer::markDeleted()
{
    CMBasicLayer::markDeleted();
    m_pixmap = QPixmap();
    _closeCamera();
}

QRect CMCameraLayer::prepareFrame(const FrameContext &frame)
{
    if (!isCombine())
        return QRect();
    _takeScale(frame.scaleX, frame.scaleY);
    const QRect rect = outputPixelRect();
    const QImage picture = image();
    if (picture.isNull())
        return QRect();
    const bool scaled = isCameraRequested();
    const QSize size = scaled ? rect.size() : picture.size();
    if (!ImageScaler::isSaneSize(size.width(), size.height()))
        return QRect();
    const PixelRows::Kernels &kernels = *frame.kernels;
    if (m_painted.size() != size) {
        m_painted = QImage(size, QImage::Format_ARGB32_Premultiplied);
        m_paintedKey = 0;
        if (m_painted.isNull())
            return QRect();
    }
    if (m_paintedKey != picture.cacheKey()) {
        // Scaled straight, then premultiplied row by row while the row is in the cache: the
        // pixels Qt would blend after its own scaling and conversion.
        if (scaled)
            m_scaler.prepare(picture.width(), picture.height(), size.width(), size.height(),
                             ImageScaler::Filter::Smooth);
        bool opaque = true;
        for (int y = 0; y < size.height(); ++y) {
            auto *line = reinterpret_cast<std::uint32_t *>(m_painted.scanLine(y));
            if (scaled)
                m_scaler.scaleRow(picture.constBits(), int(picture.bytesPerLine()), y, line, 0,
                                  kernels);
            opaque &= kernels.premultiply(
                line,
                scaled ? line : reinterpret_cast<const std::uint32_t *>(picture.constScanLine(y)),
                size.width());
        }
        m_paintedOpaque = opaque;
        m_paintedKey = picture.cacheKey();
    }
    m_frameOrigin = rect.topLeft();
    m_frameOpacity = PixelRows::opacityFromPercent(alpha());
    m_frameKernels = &kernels;
    return QRect(rect.topLeft(), size).intersected(QRect(QPoint(), frame.size));
}

bool CMCameraLayer::paintsOpaque() const
{
    return m_paintedOpaque && m_frameOpacity >= 255;
}

void CMCameraLayer::paintRow(int y, std::uint32_t *row, int left, int right)
{
    const auto *line =
        reinterpret_cast<const std::uint32_t *>(m_painted.constScanLine(y - m_frameOrigin.y())) +
        (left - m_frameOrigin.x());
    if (paintsOpaque())
        m_frameKernels->copy(row + left, line, right - left, 0);
    else if (m_frameOpacity >= 255)
        m_frameKernels->blend(row + left, line, right - left);
    else
        m_frameKernels->blendAt(row + left, line, right - left, m_frameOpacity);
}

void CMCameraLayer::setCameraParam(const CameraParam &param)
{
    m_cameraParam = param;
    if (m_uiLayer) {
        if (ICameraLayerItem *camera = m_uiLayer->cameraItem())
            camera->setCameraParam(param);
    }
    _reopenCamera();
}

void CMCameraLayer::onCameraData(const PushedFrame &pushed)
{
    // Checked before anything is allocated; bytes beyond the rows may mean another layout.
    if (!pushed.isExact()) {
        static LogThrottle s_throttle;
        int repeated = 0;
        if (s_throttle.shouldLog(&repeated)) {
            logWarning(L"CMCameraLayer::onCameraData frame dropped: length %u does not match "
                       L"%dx%d (%d similar lines suppressed)",
                       pushed.length(), pushed.width(), pushed.height(), repeated);
        }
        return;
    }
    const int width = pushed.width();
    const int height = pushed.height();
    const unsigned int uLen = pushed.length();
    // A fresh picture per frame: a composition or the scene may still read the last one, and
    // QImage's isDetached() is no synchronisation with their letting go of it.
    QImage frame(width, height, QImage::Format_ARGB32);
    if (frame.isNull() || frame.sizeInBytes() != qsizetype(uLen))
        return;
    std::memcpy(frame.bits(), pushed.bits(), uLen);
    {
        const ZqCSAutoLocker locker(&m_imageLock);
        m_image = frame;
    }
    // The scaled picture is for the scene item alone.
    if (!isPreviewing() || !hasUILayer())
        return;
    const QRectF rc = uiRect();
    const int w = truncate(rc.width());
    const int h = truncate(rc.height());
    QImage scaled;
    if (ImageScaler::isSaneSize(w, h)) {
        scaled = QImage(w, h, QImage::Format_ARGB32);
        if (!scaled.isNull() && !ImageScaler::scaleInto(frame, &scaled, ImageScaler::Filter::Fast))
            scaled = QImage();
    }
    CrossThreadEvent::post(this, new UpdateCameraEvent(scaled));
}

void CMCameraLayer::onCamOpenStatus(bool openStatus)
{
    // The host may report from any thread; the status and the item live on ours. The latest
    // report wins.
    if (QThread::currentThread() != thread()) {
        m_reportedOpenStatus.store(openStatus);
        CrossThreadEvent::post(this, new QEvent(openStatusEventType()));
        return;
    }
    _applyOpenStatus(openStatus);
}

void CMCameraLayer::_applyOpenStatus(bool openStatus)
{
    m_openStatus = openStatus;
    _refreshUILayer();
}

void CMCameraLayer::onResized(QRectF newRc)
{
    _setUiRect(newRc);
    updateOutputRect();
    if (isCameraRequested()) {
        const QRectF rc = uiRect();
        const QSize size(truncate(rc.width()), truncate(rc.height()));
        QImage frame = image();
        m_pixmap = frame.isNull() || !ImageScaler::isSaneSize(size.width(), size.height())
                       ? QPixmap()
                       : QPixmap::fromImage(
                             frame.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        _refreshUILayer();
    }
}

void CMCameraLayer::onAlphaChanged(int alpha)
{
    m_alpha.store(alpha, std::memory_order_relaxed);
}

void CMCameraLayer::onCameraParamChanged(CameraParam param)
{
    if (m_openStatus && param.isSameCamera(m_cameraParam))
        return;
    m_cameraParam = param;
    _reopenCamera();
}

void CMCameraLayer::_reopenCamera()
{
    m_pixmap = QPixmap();
    // The host's handlers may do anything, deleting this layer included (an unInit).
    if (_closeCamera() && m_cameraParam.canOpen())
        _openCamera();
}

void CMCameraLayer::onKeyColorParamChanged(CameraParam param)
{
    m_cameraParam = param;
}

bool CMCameraLayer::event(QEvent *event)
{
    CrossThreadEvent::received(event);
    if (event->type() == openStatusEventType()) {
        _applyOpenStatus(m_reportedOpenStatus.load());
        return true;
    }
    if (event->type() == UpdateCameraEvent::eventType()) {
        const QImage &picture = static_cast<UpdateCameraEvent *>(event)->image();
        m_pixmap = picture.isNull() ? QPixmap() : QPixmap::fromImage(picture);
        _refreshUILayer();
        return true;
    }
    return CMBasicLayer::event(event);
}

void CMCameraLayer::_openCamera()
{
    if (!m_cameraParam.canOpen())
        return;
    m_cameraRequested.store(true, std::memory_order_relaxed);
    const tagSIZE size{m_cameraParam.width, m_cameraParam.height};
    if (m_controller)
        m_controller->openCamera(m_cameraParam.deviceName.toStdWString(), size, size, false);
}

bool CMCameraLayer::_closeCamera()
{
    if (!m_controller)
        return true;
    // The host answers on this thread and may tear the engine down meanwhile, this layer
    // included: nothing of ours is touched after the call unless we still live.
    const QPointer<CMCameraLayer> self(this);
    m_controller->closeCamera();
    return !self.isNull();
}

void CMCameraLayer::_refreshUILayer()
{
    if (!m_uiLayer)
        return;
    if (!m_openStatus)
        m_pixmap = QPixmap();
    if (ICameraLayerItem *camera = m_uiLayer->cameraItem())
        camera->setCameraPixmap(m_pixmap);
}
