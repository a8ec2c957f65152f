#pragma once

#include "CMBasicLayer.h"
#include "ImageScaler.h"

#include "xsignals/xsignals.h"

#include <atomic>
#include <vector>

// The captured game video. Each composition is made for one game frame (FrameContext::game),
// which this layer scales straight into the rows of the output frame, at its opacity; it also
// keeps its scene item showing the game picture at the item's size.
class IPreviewController;
class PushedFrame;

class CMGamepicLayer : public CMBasicLayer, public xsignals::trackable
{
    Q_OBJECT

public:
    // Takes the game frames from controller's input, when there is one.
    explicit CMGamepicLayer(IPreviewController *controller);
    ~CMGamepicLayer() override;

    int layerType() const override { return LT_GAMEVIDEO; }
    LayerState state() const override;
    void setUILayer(LayerItem *item) override;
    QRect prepareFrame(const FrameContext &frame) override;
    void paintRow(int y, std::uint32_t *row, int left, int right) override;
    void finishFrame() override;
    // Opaque at an opacity of 100 (and above).
    bool paintsOpaque() const override;

    int alpha() const { return m_alpha.load(std::memory_order_relaxed); }

    // Receiver of the host's game frames, on the capture thread.
    void onVideoData(const PushedFrame &frame);

public Q_SLOTS:
    void onAlphaChanged(int alpha);

protected:
    bool event(QEvent *event) override;

private:
    std::atomic<int> m_alpha{100};
    // The frame in hand (composing thread only).
    const PushedFrame *m_frameGame = nullptr;
    QRect m_frameRect;
    int m_frameOpacity = 255;
    const PixelRows::Kernels *m_frameKernels = nullptr;
    ImageScaler::RowScaler m_scaler;
    std::vector<std::uint32_t> m_scaledRow; // a row of the game picture before it is blended
};
