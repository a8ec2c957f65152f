#pragma once

#include "CameraParam.h"
#include "HostTypes.h"
#include "ILayerConfigWriter.h"
#include "LayerItem.h"
#include "LayerType.h"
#include "PreviewEngine.h"

#include <xsignals/xsignals.h>

#include <QImage>
#include <QList>
#include <QMap>
#include <QPair>
#include <QPixmap>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// Records every write, in order.
class FakeConfigWriter : public ILayerConfigWriter
{
public:
    void setValue(const QString &key, const QString &value) override
    {
        writes.append({key, value});
    }

    QList<QPair<QString, QString>> writes;
};

// Stands in for a scene item: a layer item of every kind at once, recording the typed calls a
// compositing layer makes on it.
class FakeLayerItem : public LayerItem, public ICameraLayerItem, public IGameLayerItem
{
public:
    int layerType() const override { return LT_NONE; }
    QString name() const override { return m_name; }
    void setName(const QString &text) override { m_name = text; }
    void setAspectRatio(double ratio) override { aspectRatio = ratio; }
    ICameraLayerItem *cameraItem() override { return this; }
    IGameLayerItem *gameItem() override { return this; }

    void setGamePicture(const QImage &image) override
    {
        ++gamePictures;
        lastGamePicture = image;
    }
    void setCameraPixmap(const QPixmap &pixmap) override
    {
        ++cameraPixmaps;
        lastCameraPixmap = pixmap;
    }
    void setCameraParam(const CameraParam &param) override { cameraParam = param; }

    QString m_name;
    double aspectRatio = 0;
    int gamePictures = 0;
    QImage lastGamePicture;
    int cameraPixmaps = 0;
    QPixmap lastCameraPixmap;
    CameraParam cameraParam;
};

// Receives the engine's host-facing signals, as a host would.
class HostReceiver : public xsignals::trackable
{
public:
    struct Frame
    {
        QImage image; // deep copy of the delivered pixels
        unsigned long timestamp = 0;
    };

    explicit HostReceiver(PreviewEngine *engine)
    {
        engine->sigVideoFrame.connect(this, &HostReceiver::onVideoFrame);
        engine->sigVideoSizeChanged.connect(this, &HostReceiver::onVideoSizeChanged);
        engine->sigOpenCamera.connect(this, &HostReceiver::onOpenCamera);
        engine->sigCloseCamera.connect(this, &HostReceiver::onCloseCamera);
    }
    ~HostReceiver() override
    {
        release();
        disconnect_all();
    }

    // Blocks while block() is in force, as a stalled host would.
    void onVideoFrame(unsigned char *bits, unsigned int stride, ZQSize size,
                      unsigned long timestamp)
    {
        std::unique_lock<std::mutex> locker(mutex);
        ++entered;
        changed.notify_all();
        changed.wait(locker, [this] { return !blocked; });
        Frame frame;
        frame.image =
            QImage(bits, int(size.width), int(size.height), int(stride), QImage::Format_ARGB32)
                .copy();
        frame.timestamp = timestamp;
        frames.push_back(frame);
        changed.notify_all();
    }
    void onVideoSizeChanged(unsigned int width, unsigned int height)
    {
        const std::lock_guard<std::mutex> locker(mutex);
        sizes.push_back({width, height});
    }
    void onOpenCamera(const std::wstring &name, tagSIZE size1, tagSIZE, int fps, bool)
    {
        const std::lock_guard<std::mutex> locker(mutex);
        opens.push_back(QString::fromStdWString(name));
        lastOpenSize = size1;
        lastOpenFps = fps;
    }
    void onCloseCamera()
    {
        const std::lock_guard<std::mutex> locker(mutex);
        ++closes;
    }

    // Waits until count frames were delivered; false on time-out.
    bool waitForFrames(size_t count, int timeoutMs = 5000)
    {
        std::unique_lock<std::mutex> locker(mutex);
        return changed.wait_for(locker, std::chrono::milliseconds(timeoutMs),
                                [&] { return frames.size() >= count; });
    }
    bool waitForEntered(int count, int timeoutMs = 5000)
    {
        std::unique_lock<std::mutex> locker(mutex);
        return changed.wait_for(locker, std::chrono::milliseconds(timeoutMs),
                                [&] { return entered >= count; });
    }
    void block()
    {
        const std::lock_guard<std::mutex> locker(mutex);
        blocked = true;
    }
    void release()
    {
        const std::lock_guard<std::mutex> locker(mutex);
        blocked = false;
        changed.notify_all();
    }
    std::vector<Frame> takeFrames()
    {
        const std::lock_guard<std::mutex> locker(mutex);
        return std::exchange(frames, {});
    }
    size_t frameCount()
    {
        const std::lock_guard<std::mutex> locker(mutex);
        return frames.size();
    }

    std::mutex mutex;
    std::condition_variable changed;
    bool blocked = false;
    int entered = 0;
    std::vector<Frame> frames;
    std::vector<std::pair<unsigned, unsigned>> sizes;
    QStringList opens;
    tagSIZE lastOpenSize{0, 0};
    int lastOpenFps = 0;
    int closes = 0;
};

// A game frame of one colour, 0xAARRGGBB per pixel.
inline QByteArray solidFrame(int width, int height, quint32 pixel)
{
    QByteArray bytes(qsizetype(width) * height * 4, Qt::Uninitialized);
    auto *p = reinterpret_cast<quint32 *>(bytes.data());
    for (qsizetype i = 0; i < qsizetype(width) * height; ++i)
        p[i] = pixel;
    return bytes;
}
