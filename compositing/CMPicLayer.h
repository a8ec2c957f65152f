#pragma once

#include "CMBasicLayer.h"
#include "SpanPicture.h"
#include "SpanPictureFrame.h"

#include <appcommon/ZqCriticalSection.h>

#include <QImage>

#include <atomic>
#include <memory>

namespace PixelRows {
struct Kernels;
}

// A still picture from a file or from the library's resources. The picture is limited to
// 1280 x 720 when it loads; what the frames get is made from it only when the picture, the
// size of the layer, its opacity or the output scale changes, never per frame: the picture
// scaled to the output rectangle, premultiplied, at the layer's opacity, with its transparent
// runs known (SpanPicture), so a frame only blends what covers something.
class CMPicLayer : public CMBasicLayer
{
    Q_OBJECT

public:
    CMPicLayer();
    ~CMPicLayer() override;

    static constexpr int MaxWidth = 1280;
    static constexpr int MaxHeight = 720;

    int layerType() const override { return LT_PICTURE; }
    LayerState state() const override;
    void setUILayer(LayerItem *item) override;
    QRect prepareFrame(const FrameContext &frame) override;
    void paintRow(int y, std::uint32_t *row, int left, int right) override;
    void finishFrame() override;

    QString path() const { return m_path; }
    int alpha() const { return m_alpha.load(std::memory_order_relaxed); }
    bool canEditSize() const { return m_canEditSize; }
    void setCanEditSize(bool canEditSize) { m_canEditSize = canEditSize; }
    // The loaded picture, at most MaxWidth x MaxHeight.
    QImage image() const;

    // The size a picture of the given size is stored at: the largest that fits the limit
    // with its aspect ratio, each side truncated.
    static QSize limitedSize(const QSize &size);

public Q_SLOTS:
    void onAlphaChanged(int alpha);
    void onPicChanged(QString path);
    void onGeometryChanged(QRectF rc) override;

private:
    // What the frames get is made for one picture, size and opacity.
    struct PaintedKey
    {
        qint64 picture = 0;
        QSize size;
        int alpha = -1;
        bool operator==(const PaintedKey &other) const
        {
            return picture == other.picture && size == other.size && alpha == other.alpha;
        }
    };

    // Remakes m_painted when the picture, the output size or the opacity changed.
    void _refreshPainted();
    void _makeResourceCopy();

    mutable ZqCriticalSection m_pictureLock; // guards m_image, m_painted and m_paintedKey
    QImage m_image;
    std::shared_ptr<const SpanPicture> m_painted;
    PaintedKey m_paintedKey;
    // The frame in hand (composing thread only).
    SpanPictureFrame m_frame; // the composition's hold on m_painted
    QString m_path;
    QString m_cachePath;
    std::atomic<int> m_alpha{100};
    bool m_canEditSize = true;
};
