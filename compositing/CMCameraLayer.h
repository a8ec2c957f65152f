#pragma once

#include "CameraParam.h"
#include "CMBasicLayer.h"
#include "ImageScaler.h"

#include "xsignals/xsignals.h"

#include <appcommon/ZqCriticalSection.h>

#include <QImage>
#include <QPixmap>

#include <atomic>

// The camera picture. Asks the host to open and close the camera, takes the host's camera
// frames on the capture thread, shows a copy in its scene item and paints the newest frame,
// scaled to its output rectangle, into every composed frame. Each camera frame is scaled and
// premultiplied once, by the first composition that meets it; the frames in between (a game at
// 60 fps over a camera at 30) only blend it.
class IPreviewController;
class PushedFrame;

class CMCameraLayer : public CMBasicLayer, public xsignals::trackable
{
    Q_OBJECT

public:
    // Takes camera frames and open status from controller and asks it to open and close the
    // camera; without a controller the layer only paints what it is given.
    explicit CMCameraLayer(IPreviewController *controller);
    ~CMCameraLayer() override;

    int layerType() const override { return LT_CAMERA; }
    LayerState state() const override;
    void setUILayer(LayerItem *item) override;
    void markDeleted() override;
    QRect prepareFrame(const FrameContext &frame) override;
    void paintRow(int y, std::uint32_t *row, int left, int right) override;
    // A camera frame without any transparency, at full opacity, hides what lies below it.
    bool paintsOpaque() const override;

    // The record the layer is created with: closes any open camera and opens this one.
    void setCameraParam(const CameraParam &param);
    const CameraParam &cameraParam() const { return m_cameraParam; }
    int alpha() const { return m_alpha.load(std::memory_order_relaxed); }
    bool isCameraRequested() const { return m_cameraRequested.load(std::memory_order_relaxed); }
    bool openStatus() const { return m_openStatus; }
    QPixmap pixmap() const { return m_pixmap; }
    // The newest frame as delivered.
    QImage image() const;

    // Receivers of the host's camera channels; may run on any thread.
    void onCameraData(const PushedFrame &frame);
    void onCamOpenStatus(bool openStatus);

public Q_SLOTS:
    void onResized(QRectF newRc);
    void onAlphaChanged(int alpha);
    void onCameraParamChanged(CameraParam param);
    void onKeyColorParamChanged(CameraParam param);

protected:
    bool event(QEvent *event) override;

private:
    // Closes the camera and opens the one of m_cameraParam; the host may delete us meanwhile.
    void _reopenCamera();
    void _openCamera();
    // False when the layer did not survive the host's answer.
    bool _closeCamera();
    void _refreshUILayer();
    void _applyOpenStatus(bool openStatus);

    IPreviewController *const m_controller;
    mutable ZqCriticalSection m_imageLock; // guards m_image
    std::atomic<int> m_alpha{100};
    CameraParam m_cameraParam;
    QImage m_image;
    QPixmap m_pixmap;
    bool m_openStatus = false;
    std::atomic<bool> m_reportedOpenStatus{false}; // from another thread, applied on ours
    std::atomic<bool> m_cameraRequested{false};
    // The newest frame scaled to the output rectangle (at its own size while the camera was
    // never requested) and premultiplied; remade only when the frame or the rectangle changes.
    // Composing thread only.
    QImage m_painted;
    qint64 m_paintedKey = 0;
    bool m_paintedOpaque = false; // every pixel of m_painted has an alpha of 255
    ImageScaler::RowScaler m_scaler;
    QPoint m_frameOrigin;
    int m_frameOpacity = 255;
    const PixelRows::Kernels *m_frameKernels = nullptr;
};
