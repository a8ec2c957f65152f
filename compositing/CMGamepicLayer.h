#pragma once

#include "CMBasicLayer.h"

#include "xsignals/xsignals.h"

#include <atomic>

// The captured game video. The compositor paints the game frame itself into this layer's
// output rectangle (it holds the frame while composing); the layer supplies rectangle, opacity
// and combine flag, and keeps its scene item showing the game picture at the item's size.
class IPreviewController;

class CMGamepicLayer : public CMBasicLayer, public xsignals::trackable
{
    Q_OBJECT

public:
    // Takes the game frames from controller's input, when there is one.
    explicit CMGamepicLayer(IPreviewController *controller);
    ~CMGamepicLayer() override;

    int layerType() const override { return LT_GAMEVIDEO; }
    bool saveConfig(const QString &key, ILayerConfigWriter *store) override;
    void setUILayer(LayerItem *item) override;

    int alpha() const { return m_alpha.load(std::memory_order_relaxed); }

    // Receiver of the host's game frames, on the capture thread.
    void onVideoData(const char *data, unsigned int len, int width, int height,
                     unsigned long sampleTime);

public Q_SLOTS:
    void onAlphaChanged(int alpha);

protected:
    bool event(QEvent *event) override;

private:
    std::atomic<int> m_alpha{100};
};
