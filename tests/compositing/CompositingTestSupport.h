#pragma once

#include "CameraParam.h"
#include "HostTypes.h"
#include "ILayerConfigWriter.h"
#include "PreviewEngine.h"

#include <xsignals/xsignals.h>

#include <QGraphicsObject>
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

// Stands in for a scene item: the signals a compositing layer listens to and the calls it
// makes, recorded.
class FakeLayerItem : public QGraphicsObject
{
    Q_OBJECT

public:
    QRectF boundingRect() const override { return QRectF(); }
    void paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) override {}

    QString name;
    QRectF geometry;
    int geometryCalls = 0;
    double aspectRatio = 0;
    int gamePictures = 0;
    QImage lastGamePicture;
    int cameraPixmaps = 0;
    QPixmap lastCameraPixmap;
    CameraParam cameraParam;

public Q_SLOTS:
    void setName(const QString &text) { name = text; }
    void setGeometry(const QRectF &rect)
    {
        ++geometryCalls;
        geometry = rect;
    }
    void setAspectRatio(double ratio) { aspectRatio = ratio; }
    void setGamePicture(const QImage &image)
    {
        ++gamePictures;
        lastGamePicture = image;
    }
    void setCameraPixmap(const QPixmap &pixmap)
    {
        ++cameraPixmaps;
        lastCameraPixmap = pixmap;
    }
    void setCameraParam(const CameraParam &param) { cameraParam = param; }

Q_SIGNALS:
    void sigResized(QRectF newRc);
    void sigPosChanged(QRectF newRc);
    void sigAlphaChanged(int alpha);
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
