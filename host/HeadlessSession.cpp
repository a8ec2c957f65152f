#include "HeadlessSession.h"

#include "CameraService.h"
#include "EncodedVideoWriter.h"
#include "EngineLibrary.h"
#include "FilterWordService.h"
#include "FrameStats.h"
#include "GameFeed.h"
#include "GameSource.h"
#include "LayoutInstaller.h"
#include "MonotonicClock.h"
#include "QtCameraBackend.h"
#include "Y4mWriter.h"

#include <previewengine/IPreviewEngine.h>

#include <QDir>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

#include <cmath>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// The engine sends sizes as floats; anything but a positive whole number is a broken frame.
int frameSide(float value)
{
    if (!std::isfinite(value) || value < 1 || value > 65535 || value != std::floor(value))
        return -1;
    return int(value);
}

QString millis(double micros)
{
    return QString::number(micros / 1000.0, 'f', 2) + QStringLiteral(" ms");
}

} // namespace

HeadlessSession::HeadlessSession(const Options &options)
    : m_options(options)
{}

HeadlessSession::~HeadlessSession()
{
    disconnect_all();
}

int HeadlessSession::run()
{
    const std::int64_t frames = std::int64_t(m_options.seconds) * m_options.fps;

    if (!m_options.layoutFile.isEmpty()) {
        QString error;
        if (!LayoutInstaller::install(m_options.layoutFile, &error, [](const QString &line) {
                out() << "previewhost: " << line << Qt::endl;
            })) {
            out() << "previewhost: " << error << Qt::endl;
            return 2;
        }
    }

    FilterWordService filterWords;
    if (!m_options.filterWordsFile.isEmpty()) {
        QString error;
        if (!filterWords.loadFile(m_options.filterWordsFile, &error)) {
            out() << "previewhost: --filter-words: " << error << Qt::endl;
            return 2;
        }
    }
    out() << "previewhost: " << filterWords.words().size() << " filter words" << Qt::endl;

    EngineLibrary library(m_options.enginePath);
    if (!library.load()) {
        out() << "previewhost: cannot load the engine: " << library.errorString() << Qt::endl;
        return 1;
    }
    out() << "previewhost: loaded " << library.fileName() << Qt::endl;

    ZqStudio::IPreviewEngine *engine = library.createEngine();
    if (!engine) {
        out() << "previewhost: createPreviewEngine returned no engine" << Qt::endl;
        return 1;
    }

    std::unique_ptr<FrameWriter> output;
    if (EncodedVideoWriter::handles(m_options.outputDir))
        output = std::make_unique<EncodedVideoWriter>(m_options.outputDir, m_options.fps);
    else
        output = std::make_unique<Y4mWriter>(m_options.outputDir, m_options.fps);
    FrameWriter &writer = *output;
    QString error;
    if (!writer.start(&error)) {
        out() << "previewhost: " << error << Qt::endl;
        engine->release();
        library.unload();
        return 1;
    }
    FrameStats stats(std::size_t(qMax<std::int64_t>(0, frames)));
    m_stats = &stats;
    m_writer = &writer;

    QtCameraBackend cameraDevices;
    CameraService camera(engine, &cameraDevices);
    camera.attach();
    {
        QStringList names;
        for (const std::wstring &name : camera.cameraNames())
            names << QString::fromStdWString(name);
        out() << "previewhost: cameras: " << names.join(QStringLiteral(", ")) << Qt::endl;
    }
    filterWords.attach(engine);
    _connect(engine);
    out() << "previewhost: engine created; default output " << engine->getVideoWidth() << "x"
          << engine->getVideoHeight() << Qt::endl;

    engine->init(m_options.fps);
    out() << "previewhost: init(" << m_options.fps << ")" << Qt::endl;

    if (m_options.startCamera)
        camera.open(VirtualCamera::deviceName(), QSize(640, 480), m_options.fps);

    // The GUI thread keeps serving events (filter-word answers, the engine's posted updates and
    // timers) while the capture thread pushes.
    QEventLoop loop;
    const auto quitLoop = [&loop] {
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    };
    std::unique_ptr<GameCapture> capture;
    std::unique_ptr<GameFeed> feed;
    GameSource *testPicture = nullptr;
    int exitCode = 0;
    // A file or the screen runs from its first frame: a player takes a moment to open its file.
    const int runMillis = m_options.seconds * 1000;
    std::atomic<bool> firstFrame{false};
    if (m_options.game.isEmpty()) {
        engine->setVideoSize(m_options.gameSize.width(), m_options.gameSize.height());
        writer.announceSize(engine->getVideoWidth(), engine->getVideoHeight());
        out() << "previewhost: game video " << m_options.gameSize.width() << "x"
              << m_options.gameSize.height() << " -> preview area " << m_previewWidth.load() << "x"
              << m_previewHeight.load() << ", output " << engine->getVideoWidth() << "x"
              << engine->getVideoHeight() << Qt::endl;
        auto source = std::make_unique<GameSource>(m_options.gameSize, m_options.fps);
        testPicture = source.get();
        testPicture->start(
            frames,
            [engine, &stats](const QImage &frame, unsigned long sampleTime) {
                stats.recordPush(sampleTime, sampleTime);
                engine->pushGameVideoData(reinterpret_cast<const char *>(frame.constBits()),
                                          static_cast<unsigned int>(frame.sizeInBytes()),
                                          frame.width(), frame.height(), sampleTime);
            },
            quitLoop);
        capture = std::move(source);
        out() << "previewhost: pushing " << frames << " game frames at " << m_options.fps << " fps"
              << Qt::endl;
    } else {
        // A file or the screen runs at its own size and rate for the given time; the engine's
        // video size follows the frames.
        capture = GameCapture::create(m_options.game, m_options.gameSize, m_options.fps);
        feed = std::make_unique<GameFeed>(engine, capture.get());
        QString error;
        const bool started = feed->start(
            &error,
            [&](const QString &reason) {
                out() << "previewhost: --game: " << reason << Qt::endl;
                exitCode = 1;
                quitLoop();
            },
            [&](unsigned long sampleTime) {
                stats.recordPush(sampleTime, sampleTime);
                if (!firstFrame.exchange(true)) {
                    QMetaObject::invokeMethod(
                        &loop, [&] { QTimer::singleShot(runMillis, &loop, quitLoop); },
                        Qt::QueuedConnection);
                }
            });
        if (started) {
            out() << "previewhost: game video from " << capture->description() << " for "
                  << m_options.seconds << " s" << Qt::endl;
            // A source that never delivers still ends.
            QTimer::singleShot(runMillis + 10000, &loop, [&] {
                if (!firstFrame)
                    out() << "previewhost: --game: no frame came from " << capture->description()
                          << Qt::endl;
                quitLoop();
            });
        } else {
            out() << "previewhost: --game: " << error << Qt::endl;
            exitCode = 1;
            quitLoop();
        }
    }
    loop.exec();
    if (feed)
        feed->stop();
    capture->stop();
    _drain();

    // Order matters: nothing may call into the engine once it is released, and the sender
    // thread must be stopped before the frames' destination closes.
    camera.detach();
    engine->unInit();
    filterWords.detach();
    disconnect_all();
    m_stats = nullptr;
    m_writer = nullptr;
    writer.finish();
    out() << "previewhost: unInit; output now " << engine->getVideoWidth() << "x"
          << engine->getVideoHeight() << Qt::endl;
    engine->release();
    library.unload();
    out() << "previewhost: released the engine and unloaded the library" << Qt::endl;

    const FrameStats::Latency latency = stats.latency();
    const std::int64_t hostDropped =
        writer.droppedPoolFull() + writer.droppedUnexpectedSize() + writer.droppedMalformed();
    if (testPicture) {
        out() << "previewhost: game frames pushed " << stats.pushed() << " (late "
              << testPicture->lateFrames() << ")" << Qt::endl;
    } else if (feed) {
        out() << "previewhost: game frames pushed " << stats.pushed() << " (held back while the "
              << "size changed " << feed->framesHeldBack() << ", size changes "
              << feed->sizeChanges() << ")" << Qt::endl;
    }
    out() << "previewhost: frames composed and delivered " << stats.delivered()
          << ", not delivered by the engine "
          << qMax<std::int64_t>(0, stats.pushed() - stats.delivered()) << ", unmatched timestamps "
          << stats.unmatched() << Qt::endl;
    out() << "previewhost: frames dropped by the host " << hostDropped << " (pool full "
          << writer.droppedPoolFull() << ", unannounced size " << writer.droppedUnexpectedSize()
          << ", malformed " << writer.droppedMalformed() << "), write errors "
          << writer.writeErrors() << Qt::endl;
    if (latency.samples > 0) {
        out() << "previewhost: push to delivery: mean " << millis(latency.meanMicros) << ", p99 "
              << millis(latency.p99Micros) << ", max " << millis(double(latency.maxMicros))
              << " over " << latency.samples << " frames" << Qt::endl;
    } else {
        out() << "previewhost: push to delivery: no frames delivered" << Qt::endl;
    }
    out() << "previewhost: output size announcements " << m_sizeAnnouncements.load() << Qt::endl;
    out() << "previewhost: camera starts " << camera.starts() << ", camera frames pushed "
          << camera.framesPushed() << Qt::endl;
    out() << "previewhost: filter-word checks asked " << filterWords.requests() << ", answered "
          << filterWords.answered() << Qt::endl;
    if (writer.streams().isEmpty()) {
        out() << "previewhost: no frames written; no video in "
              << QDir::toNativeSeparators(writer.destination()) << Qt::endl;
    } else {
        out() << "previewhost: wrote " << writer.written() << " frames to "
              << writer.streams().join(QStringLiteral(", ")) << Qt::endl;
    }
    if (!writer.picture().isEmpty())
        out() << "previewhost: last frame in " << writer.picture() << Qt::endl;
    return exitCode;
}

void HeadlessSession::_connect(ZqStudio::IPreviewEngine *engine)
{
    engine->sigPreviewSizeChanged.connect(this, &HeadlessSession::onPreviewSizeChanged);
    engine->sigVideoFrame.connect(this, &HeadlessSession::onVideoFrame);
    engine->sigVideoSizeChanged.connect(this, &HeadlessSession::onVideoSizeChanged);
}

void HeadlessSession::_drain() const
{
    // Up to two seconds, until no frame arrived for 200 ms.
    std::int64_t seen = m_stats->delivered();
    int quietSlices = 0;
    for (int slice = 0; slice < 40 && quietSlices < 4; ++slice) {
        QEventLoop pause;
        QTimer::singleShot(50, &pause, &QEventLoop::quit);
        pause.exec();
        const std::int64_t now = m_stats->delivered();
        quietSlices = now == seen ? quietSlices + 1 : 0;
        seen = now;
    }
}

void HeadlessSession::onPreviewSizeChanged(int width, int height)
{
    m_previewWidth = width;
    m_previewHeight = height;
}

// On the engine's sender thread: copy and return, never wait.
void HeadlessSession::onVideoFrame(unsigned char *pixels, unsigned int stride, ZQSize size,
                                   unsigned long timestamp)
{
    if (!m_stats || !m_writer)
        return;
    m_stats->recordDelivery(timestamp, MonotonicClock::nowMicros());
    m_writer->onFrame(pixels, stride, frameSide(size.width), frameSide(size.height), timestamp);
}

// On the GUI thread or a capture thread, never the sender thread: the pool may grow here.
void HeadlessSession::onVideoSizeChanged(unsigned int width, unsigned int height)
{
    ++m_sizeAnnouncements;
    if (!m_writer)
        return;
    if (width > 65535 || height > 65535) {
        qWarning("previewhost: ignoring an output size of %ux%u", width, height);
        return;
    }
    m_writer->announceSize(int(width), int(height));
}
