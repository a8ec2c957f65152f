#pragma once

#include "CMBasicLayer.h"

#include <appcommon/ZqCriticalSection.h>

#include <QImage>

#include <atomic>

// A still picture from a file or from the library's resources. The picture is limited to
// 1280 x 720 when it loads and rescaled to the output rectangle only when the picture, the
// geometry or the output scale changes, never per frame.
class CMPicLayer : public CMBasicLayer
{
    Q_OBJECT

public:
    CMPicLayer();
    ~CMPicLayer() override;

    static constexpr int MaxWidth = 1280;
    static constexpr int MaxHeight = 720;

    int layerType() const override { return LT_PICTURE; }
    bool saveConfig(const QString &key, ILayerConfigWriter *store) override;
    void setUILayer(LayerItem *item) override;
    void draw(QPainter *painter, double scaleX, double scaleY) override;

    QString path() const { return m_path; }
    QString cachePath() const { return m_cachePath; }
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
    void _refreshPainted();
    void _makeResourceCopy();

    mutable ZqCriticalSection m_pictureLock; // guards m_image and m_painted
    QImage m_image;
    QImage m_painted; // m_image at the output rectangle's size, premultiplied
    QString m_path;
    QString m_cachePath;
    std::atomic<int> m_alpha{100};
    bool m_canEditSize = true;
};
