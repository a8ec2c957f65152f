// bench_preview_drag: the interactive preview under load, through the public interface and the
// reference host's real window (offscreen). For 10 s a capture thread pushes 1920x1080 game
// frames at 60 fps, the virtual camera runs at 30 fps, and a scripted mouse drag moves a picture
// layer in the preview every 16 ms, letting go and grabbing it again every half second, so the
// layout is autosaved all along. Reports the push-to-delivery latency of the composed frames
// (goal: p99 under 4 ms; at most one frame interval, 16.7 ms), the capture thread's time inside
// each push, how late each drag step comes after the one before (the GUI thread's
// responsiveness), the GUI thread's time per camera frame (the camera layer's hand-over of its
// scaled picture and the preview's repaint), and the autosaves: how many reached the file and
// what each cost the GUI thread.
//
//   bench_preview_drag [--seconds N]

#include "CameraService.h"
#include "EngineLibrary.h"
#include "FilterWordService.h"
#include "FrameStats.h"
#include "HostWindow.h"
#include "MonotonicClock.h"
#include "OutputFeed.h"
#include "OutputView.h"
#include "PreviewView.h"
#include "TestPattern.h"

#include <appcommon/pubfunc.h>
#include <previewengine/IPreviewEngine.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t microsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
}

struct Samples
{
    std::vector<std::int64_t> micros;
    void add(std::int64_t value) { micros.push_back(value); }
    std::int64_t total() const
    {
        std::int64_t sum = 0;
        for (const std::int64_t value : micros)
            sum += value;
        return sum;
    }
    QString summary() const
    {
        if (micros.empty())
            return QStringLiteral("none");
        return QStringLiteral("%1 x, mean %2 ms, p99 %3 ms, max %4 ms")
            .arg(micros.size())
            .arg(FrameStats::mean(micros) / 1000.0, 0, 'f', 3)
            .arg(double(FrameStats::percentile(micros, 99)) / 1000.0, 0, 'f', 3)
            .arg(double(*std::max_element(micros.begin(), micros.end())) / 1000.0, 0, 'f', 3);
    }
};

// Times what the GUI thread does, by receiver: the camera layer's picture hand-over (its posted
// update), the preview's and the output view's paints, the output feed's frame hand-over; and
// the thread's total busy time (outermost events only).
class TimingApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!measuring)
            return QApplication::notify(receiver, event);
        const Clock::time_point start = Clock::now();
        ++m_depth;
        const bool result = QApplication::notify(receiver, event);
        --m_depth;
        const std::int64_t micros = microsSince(start);
        if (m_depth == 0)
            busyMicros += micros;
        const QEvent::Type type = event->type();
        if (type >= QEvent::User && type <= QEvent::MaxUser &&
            qstrcmp(receiver->metaObject()->className(), "CMCameraLayer") == 0)
            cameraUpdates.add(micros);
        else if (type == QEvent::Paint && receiver == previewViewport)
            previewPaints.add(micros);
        else if (type == QEvent::Paint && receiver == outputView)
            outputPaints.add(micros);
        else if (type == QEvent::MetaCall && receiver == outputFeed)
            outputFrames.add(micros);
        else if (type == QEvent::Timer && receiver->objectName() == QLatin1String("autosaveTimer"))
            autosaves.add(micros);
        return result;
    }

    bool measuring = false;
    QObject *previewViewport = nullptr;
    QObject *outputView = nullptr;
    QObject *outputFeed = nullptr;
    Samples cameraUpdates;
    Samples previewPaints;
    Samples outputPaints;
    Samples outputFrames;
    Samples autosaves; // the engine's autosave: taking the layout and handing it to its writer
    std::int64_t busyMicros = 0;

private:
    int m_depth = 0;
};

const char *const Layout = R"(<?xml version="1.0"?>
<config><layers><parentwidth1>746</parentwidth1><parentheight1>420</parentheight1>
<layer0><type>4</type><alpha>100</alpha><pos>0,0</pos><size>746,420</size><combine>1</combine></layer0>
<layer1><type>1</type><path>:/previewhost/demo/banner.png</path><alpha>90</alpha><caneditsize>1</caneditsize><pos>60,60</pos><size>192,72</size><combine>1</combine><name>sponsor</name></layer1>
<layer2><type>3</type><alpha>100</alpha><device>PreviewHost Virtual Camera</device><devicewidth>640</devicewidth><deviceheight>480</deviceheight><pos>520,250</pos><size>200,150</size><combine>1</combine><name>camera</name></layer2>
<layersnum>3</layersnum></layers></config>
)";

// Pushes pre-drawn 1080p frames at a steady 60 fps, so the bench measures the engine and the
// window, not the drawing of the test picture.
class GamePusher
{
public:
    GamePusher(ZqStudio::IPreviewEngine *engine, FrameStats *stats)
        : m_engine(engine)
        , m_stats(stats)
    {
        TestPattern pattern(QSize(1920, 1080));
        for (int i = 0; i < 8; ++i)
            m_frames.push_back(pattern.render(i * 7).copy());
    }
    ~GamePusher() { stop(); }

    void start(int seconds)
    {
        m_thread = std::thread([this, seconds] {
            const auto interval = std::chrono::microseconds(1000000 / 60);
            auto next = Clock::now();
            for (int index = 0; index < seconds * 60; ++index) {
                {
                    std::unique_lock<std::mutex> lock(m_mutex);
                    if (m_wake.wait_until(lock, next, [this] { return m_stop; }))
                        return;
                }
                const QImage &frame = m_frames[std::size_t(index) % m_frames.size()];
                const unsigned long now = MonotonicClock::nowMicros();
                m_stats->recordPush(now, now);
                m_engine->pushGameVideoData(reinterpret_cast<const char *>(frame.constBits()),
                                            unsigned(frame.sizeInBytes()), frame.width(),
                                            frame.height(), now);
                m_pushCalls.add(std::int64_t(MonotonicClock::nowMicros() - now));
                next += interval;
            }
            m_done = true;
        });
    }
    void stop()
    {
        {
            const std::lock_guard<std::mutex> guard(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }
    bool done() const { return m_done; }
    // The capture thread's time inside each push: composition, then the scene's game picture.
    // Read once the thread has stopped.
    const Samples &pushCalls() const { return m_pushCalls; }

private:
    ZqStudio::IPreviewEngine *m_engine;
    FrameStats *m_stats;
    std::vector<QImage> m_frames;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::atomic<bool> m_done{false};
    Samples m_pushCalls;
};

QGraphicsObject *pictureLayer(QGraphicsObject *root)
{
    if (!root)
        return nullptr;
    for (QGraphicsItem *child : root->childItems()) {
        QGraphicsObject *object = child->toGraphicsObject();
        if (object && qstrcmp(object->metaObject()->className(), "PicLayer") == 0)
            return object;
    }
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The engine's settings, log and cache go to a scratch folder, never the user's.
    QTemporaryDir home;
    for (const char *variable : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        qputenv(variable, home.path().toUtf8());
    TimingApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("Length of the run (default 10)."),
                                           QStringLiteral("N"), QStringLiteral("10"));
    parser.addOption(secondsOption);
    parser.addHelpOption();
    parser.process(app);
    const int seconds = qBound(1, parser.value(secondsOption).toInt(), 600);

    const QString settings = QString::fromStdWString(pubfunc::getPreviewSettingFileName());
    QDir().mkpath(QFileInfo(settings).absolutePath());
    QFile file(settings);
    if (!file.open(QIODevice::WriteOnly) || file.write(Layout) < 0)
        return 1;
    file.close();

    EngineLibrary library;
    ZqStudio::IPreviewEngine *engine = library.load() ? library.createEngine() : nullptr;
    if (!engine) {
        fprintf(stderr, "bench_preview_drag: cannot load the engine: %s\n",
                qPrintable(library.errorString()));
        return 1;
    }
    FrameStats stats(std::size_t(seconds) * 60);
    FilterWordService filterWords;
    filterWords.attach(engine);
    auto camera = std::make_unique<CameraService>(engine, nullptr);
    camera->attach();
    int exitCode = 0;
    {
        HostWindow::Sources sources;
        sources.stats = &stats;
        sources.camera = camera.get();
        HostWindow window(engine, sources);
        window.resize(1400, 640);
        window.show();
        engine->init(60);
        engine->setVideoSize(1920, 1080);
        if (!QTest::qWaitForWindowExposed(&window))
            fprintf(stderr, "bench_preview_drag: the window was not exposed\n");
        // The engine opens the stored camera at its own rate; run it at 30 fps as a webcam does.
        if (!QTest::qWaitFor([&] { return !camera->runningCamera().empty(); }, 3000))
            fprintf(stderr, "bench_preview_drag: the engine asked for no camera\n");
        camera->open(VirtualCamera::deviceName(), QSize(640, 480), 30);

        PreviewView *view = window.previewView();
        QGraphicsObject *picture = nullptr;
        if (!QTest::qWaitFor([&] { return (picture = pictureLayer(view->sceneRoot())) != nullptr; },
                             5000)) {
            fprintf(stderr, "bench_preview_drag: the preview shows no picture layer\n");
            exitCode = 1;
        } else {
            QTest::qWait(500); // the camera's first frames, the first compositions
            app.previewViewport = view->viewport();
            app.outputView = window.outputView();
            app.outputFeed = window.outputFeed();

            GamePusher pusher(engine, &stats);
            QWidget *viewport = view->viewport();
            const QPointF start = picture->sceneBoundingRect().center();
            QTest::mousePress(viewport, Qt::LeftButton, {}, view->mapFromScene(start));
            const QPointF origin = picture->pos();
            const std::int64_t cameraBefore = camera->framesPushed();

            // A Lissajous path well inside the 746 x 420 preview, one step every 16 ms; every
            // 30 steps the picture is let go (the scene reports the drag, the layout is
            // autosaved) and grabbed again where it is.
            int step = 0;
            int drops = 0;
            Samples lateSteps;
            QElapsedTimer clock;
            std::int64_t previousStepMicros = 0;
            QTimer drag;
            drag.setTimerType(Qt::PreciseTimer);
            drag.setInterval(16);
            QList<QDateTime> savedVersions; // the settings file's modification times seen
            QObject::connect(&drag, &QTimer::timeout, [&] {
                ++step;
                // Against the step before, not the start: a timer that fell behind takes up its
                // schedule again from when it fired, so lateness from the start adds up drift.
                const std::int64_t nowMicros = clock.nsecsElapsed() / 1000;
                lateSteps.add(std::max<std::int64_t>(0, nowMicros - previousStepMicros - 16000));
                previousStepMicros = nowMicros;
                const double t = step * 0.016;
                const QPointF target =
                    start + QPointF(200 * std::sin(t * 1.3) + 150, 100 * std::sin(t * 2.1) + 100);
                const QPoint at = view->mapFromScene(target);
                QTest::mouseMove(viewport, at);
                if (step % 30 == 0) {
                    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
                    QTest::mousePress(viewport, Qt::LeftButton, {}, at);
                    ++drops;
                }
                const QDateTime saved = QFileInfo(settings).lastModified();
                if (savedVersions.isEmpty() || savedVersions.last() != saved)
                    savedVersions.append(saved);
            });

            app.measuring = true;
            const Clock::time_point began = Clock::now();
            clock.start();
            drag.start();
            pusher.start(seconds);
            if (!QTest::qWaitFor([&] { return pusher.done(); }, (seconds + 5) * 1000))
                fprintf(stderr, "bench_preview_drag: the game frames were not all pushed\n");
            drag.stop();
            QTest::qWait(200); // the last frames arrive
            app.measuring = false;
            const double elapsed = double(microsSince(began)) / 1e6;
            QTest::mouseRelease(viewport, Qt::LeftButton, {},
                                viewport->mapFromGlobal(QCursor::pos()));
            pusher.stop();
            const std::int64_t cameraFrames = camera->framesPushed() - cameraBefore;
            const FrameStats::Latency latency = stats.latency();

            printf("bench_preview_drag: %d s, 1920x1080 game at 60 fps, camera 640x480 at 30 "
                   "fps, picture dragged every 16 ms\n",
                   seconds);
            printf("  game frames pushed %lld, composed and delivered %lld (dropped %lld)\n",
                   static_cast<long long>(stats.pushed()),
                   static_cast<long long>(stats.delivered()),
                   static_cast<long long>(stats.pushed() - stats.delivered()));
            printf("  push to delivery: mean %.2f ms, p99 %.2f ms, max %.2f ms (goal p99 < 4 "
                   "ms; one frame 16.7 ms)\n",
                   latency.meanMicros / 1000.0, latency.p99Micros / 1000.0,
                   double(latency.maxMicros) / 1000.0);
            printf("  time inside the push (composition, the scene's game picture): %s\n",
                   qPrintable(pusher.pushCalls().summary()));
            printf("  drag: %d steps, picture moved %s, step lateness %s\n", step,
                   picture->pos() != origin ? "yes" : "NO", qPrintable(lateSteps.summary()));
            printf("  camera frames pushed %lld; GUI thread per camera frame:\n",
                   static_cast<long long>(cameraFrames));
            printf("    picture hand-over (scaled copy to the item): %s\n",
                   qPrintable(app.cameraUpdates.summary()));
            printf("    preview repaint: %s\n", qPrintable(app.previewPaints.summary()));
            const double perCamera = app.cameraUpdates.micros.empty()
                                         ? 0
                                         : (FrameStats::mean(app.cameraUpdates.micros) +
                                            FrameStats::mean(app.previewPaints.micros)) /
                                               1000.0;
            printf("    hand-over + one repaint: %.3f ms\n", perCamera);
            printf("  output view: frame hand-over and scaling %s; paint %s\n",
                   qPrintable(app.outputFrames.summary()), qPrintable(app.outputPaints.summary()));
            printf("  autosave: %d drops of the picture, %lld new versions of the settings file "
                   "seen; GUI thread per autosave (layout taken, handed to the writer): %s\n",
                   drops, static_cast<long long>(std::max<qsizetype>(0, savedVersions.size() - 1)),
                   qPrintable(app.autosaves.summary()));
            printf("  GUI thread busy %.1f %% of %.1f s\n",
                   100.0 * double(app.busyMicros) / 1e6 / elapsed, elapsed);
            if (picture->pos() == origin)
                exitCode = 1;
        }
        window.close();
        camera->detach();
        engine->unInit();
        filterWords.detach();
        window.detachEngine();
        engine->release();
    }
    camera.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    library.unload();
    return exitCode;
}
