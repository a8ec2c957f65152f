#pragma once

#include <QObject>
#include <QSize>
#include <QString>

#include <atomic>
#include <cstdint>

// The few values the controller, the compositor, the scene and the settings all need.
// Everything lives on the GUI thread except the frame sizes and the preview area, which
// composition reads on the capture thread: each is kept in one atomic word, so a reader always
// sees a pair that was written together.
class PreviewCenterData : public QObject
{
    Q_OBJECT

public:
    explicit PreviewCenterData(QObject *parent = nullptr);
    ~PreviewCenterData() override;

    void init();
    void clearSizes();
    QString settingFileName() const;

    // Size of the game frames last received.
    QSize gameVideoSize() const { return _unpack(m_gameVideoSize.load()); }
    void setGameVideoSize(const QSize &size) { m_gameVideoSize.store(_pack(size)); }

    // Size of the composed output frames.
    QSize videoSize() const { return _unpack(m_videoSize.load()); }
    void setVideoSize(const QSize &size) { m_videoSize.store(_pack(size)); }

    bool layersEditable() const { return m_layersEditable; }
    void setLayersEditable(bool editable) { m_layersEditable = editable; }

    bool loadStoredLayers() const { return m_loadStoredLayers; }
    void setLoadStoredLayers(bool load) { m_loadStoredLayers = load; }

    int fps() const { return m_fps; }
    void setFps(int fps) { m_fps = fps; }

    bool layerInteracting() const { return m_layerInteracting; }
    void setLayerInteracting(bool interacting) { m_layerInteracting = interacting; }

    bool initDone() const { return m_initDone; }
    void setInitDone(bool done) { m_initDone = done; }

    // The on-screen preview area, 420 units high.
    QSize previewSize() const { return _unpack(m_previewSize.load()); }
    void setPreviewSize(const QSize &size) { m_previewSize.store(_pack(size)); }

    QString cameraName() const { return m_cameraName; }
    void setCameraName(const QString &name) { m_cameraName = name; }

private:
    static std::uint64_t _pack(const QSize &size)
    {
        return (std::uint64_t(std::uint32_t(size.width())) << 32) | std::uint32_t(size.height());
    }
    static QSize _unpack(std::uint64_t packed)
    {
        return QSize(int(std::int32_t(packed >> 32)), int(std::int32_t(packed & 0xffffffffu)));
    }

    std::atomic<std::uint64_t> m_gameVideoSize{_pack(QSize(0, 0))};
    std::atomic<std::uint64_t> m_videoSize{_pack(QSize(1280, 768))};
    bool m_layersEditable = true;
    bool m_loadStoredLayers = false;
    int m_fps = 24;
    bool m_layerInteracting = false;
    bool m_initDone = false;
    // Read by the game-layer fit on the capture thread.
    std::atomic<std::uint64_t> m_previewSize{_pack(QSize(752, 420))};
    QString m_cameraName;
};
