// The engine set-up shared by the composition benchmarks: one engine at a given output size,
// optionally with the full stack (game, camera, two pictures, five texts), fed and drained as a
// host does. Header-only: each benchmark is a single-file program.

#pragma once

#include "CMCameraLayer.h"
#include "CMLayer.h"
#include "FrameSender.h"
#include "PreviewCenterData.h"
#include "PreviewCombineLogic.h"
#include "PreviewEngine.h"
#include "PreviewLogic.h"

#include <xsignals/xsignals.h>

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QTemporaryDir>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace bench {

// Counts delivered frames. Waiting for one blocks instead of spinning, so that the process's
// CPU time is the engine's work and not the waiter's.
class CountingHost : public xsignals::trackable
{
public:
    ~CountingHost() override { disconnect_all(); }
    void onFrame(unsigned char *, unsigned int, ZQSize, unsigned long)
    {
        const std::lock_guard<std::mutex> locker(m_mutex);
        frames.fetch_add(1);
        m_delivered.notify_all();
    }
    void waitBeyond(long long count)
    {
        std::unique_lock<std::mutex> locker(m_mutex);
        m_delivered.wait(locker, [&] { return frames.load() > count; });
    }
    std::atomic<long long> frames{0};

private:
    std::mutex m_mutex;
    std::condition_variable m_delivered;
};

inline QByteArray frameBytes(int width, int height, quint32 seed)
{
    QByteArray bytes(qsizetype(width) * height * 4, Qt::Uninitialized);
    auto *p = reinterpret_cast<quint32 *>(bytes.data());
    for (qsizetype i = 0; i < qsizetype(width) * height; ++i)
        p[i] = quint32(i) * 2654435761u + seed;
    return bytes;
}

inline long long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Points the engine's settings, log and cache at a scratch folder for the life of the
// program, so benchmarks never touch the user's own files.
class ScratchHome
{
public:
    ScratchHome()
    {
        for (const char *variable : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
            qputenv(variable, m_dir.path().toUtf8());
    }

private:
    QTemporaryDir m_dir;
};

// One engine with a compositor and the requested stack, as a host sets it up.
class Stage
{
public:
    static constexpr int PictureCount = 2;
    static constexpr int TextCount = 5;
    static constexpr int PictureOpacity = 80;
    static constexpr int TextPointSize = 24;

    // A null watermark keeps the product's own; otherwise it replaces it.
    Stage(int outputWidth, int outputHeight, bool fullStack, const QImage &watermark = QImage())
    {
        m_engine = PreviewEngine::createInstance();
        m_engine->sigVideoFrame.connect(&m_host, &CountingHost::onFrame);
        m_engine->init(30);
        m_engine->setVideoSize(outputWidth, outputHeight);
        m_combine = m_engine->controller()->combine();
        if (!watermark.isNull())
            m_combine->sender().setWatermark(watermark);
        if (fullStack)
            _addFullStack();
    }
    ~Stage()
    {
        m_engine->sigVideoFrame.disconnect_all();
        m_engine->release();
    }

    // The host's push of one game frame; composition runs inside it, on this thread. Returns
    // the delivered-frame count before the push, for waitForDelivery().
    long long push(const QByteArray &game, int width, int height)
    {
        const long long before = m_host.frames.load();
        m_engine->pushGameVideoData(game.constData(), uint(game.size()), width, height, ++m_time);
        return before;
    }

    // Waits until the sender thread delivered the frame pushed after `before` frames, so that
    // no composition is dropped for want of a free slot.
    void waitForDelivery(long long before) { m_host.waitBeyond(before); }

    // What happens between two game frames: after every second one a new camera frame, as a
    // 30 fps camera gives under a 60 fps game, and the GUI thread's share (scene pictures
    // posted by the layers).
    void betweenFrames()
    {
        if (m_camera && (m_time & 1) == 0)
            m_engine->pushCameraData(m_cameraFrame.constData(), uint(m_cameraFrame.size()), 640,
                                     480, 0);
        QCoreApplication::processEvents();
    }

    // Push, delivery and the work between frames, untimed.
    void compose(const QByteArray &game, int width, int height)
    {
        waitForDelivery(push(game, width, height));
        betweenFrames();
    }

    long long delivered() const { return m_host.frames.load(); }
    PreviewCombineLogic *combine() const { return m_combine; }
    QString picturePath(int index) const
    {
        return m_dir.filePath(QStringLiteral("pic%1.png").arg(index));
    }
    static QString textOf(int index) { return QStringLiteral("Live text %1").arg(index); }

private:
    void _addFullStack()
    {
        const QSizeF scene = m_combine->sceneSize();
        m_camera = m_combine->addCameraLayer(
            QPoint(int(scene.width()) - 340, int(scene.height()) - 260), true, QSize(320, 240), 100,
            QStringLiteral("bench camera"), QSize(640, 480), {}, false, 0x00FF00, 0.05f, 0.8f);
        // Opaque, as a webcam's frames are once the host converted them.
        m_cameraFrame = frameBytes(640, 480, 0);
        for (qsizetype i = 3; i < m_cameraFrame.size(); i += 4)
            m_cameraFrame[i] = char(0xFF);
        m_engine->pushCameraData(m_cameraFrame.constData(), uint(m_cameraFrame.size()), 640, 480,
                                 0);
        for (int i = 0; i < PictureCount; ++i) {
            QImage picture(400, 300, QImage::Format_ARGB32);
            picture.fill(qRgba(40 * i, 200, 90, 220));
            picture.save(picturePath(i));
            m_combine->addImageLayer(picturePath(i), true, QPoint(20 + 200 * i, 20), true,
                                     QSize(160, 120), PictureOpacity, {});
        }
        QFont font;
        font.setPointSize(TextPointSize);
        for (int i = 0; i < TextCount; ++i)
            m_combine->addTextLayer(font, QColor(255, 255, 0), textOf(i), QPoint(20, 160 + 40 * i),
                                    true, {});
        m_combine->startPreview();
    }

    PreviewEngine *m_engine = nullptr;
    PreviewCombineLogic *m_combine = nullptr;
    CountingHost m_host;
    QTemporaryDir m_dir;
    CMLayer *m_camera = nullptr;
    QByteArray m_cameraFrame;
    unsigned long m_time = 0;
};

// The synthetic watermark the composition benchmarks stamp: the product's size, half-white.
inline QImage syntheticWatermark()
{
    QImage mark(236, 136, QImage::Format_ARGB32);
    mark.fill(qRgba(255, 255, 255, 128));
    return mark;
}

} // namespace bench
