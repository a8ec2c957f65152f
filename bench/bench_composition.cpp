// Cost of composing one output frame, the path every pushed game frame takes: the game layer
// alone, the full stack (game, camera, two pictures, five texts), and a game frame of another
// size than the output. Delivery and watermark stamping run on the sender thread and are
// measured apart. After the benchmarks the program composes 10,000 full-stack 1080p frames and
// reports resident memory before and after.

#include "CMCameraLayer.h"
#include "CMLayer.h"
#include "FrameSender.h"
#include "PreviewCenterData.h"
#include "PreviewCombineLogic.h"
#include "PreviewEngine.h"
#include "PreviewLogic.h"

#include <xsignals/xsignals.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

class CountingHost : public xsignals::trackable
{
public:
    ~CountingHost() override { disconnect_all(); }
    void onFrame(unsigned char *, unsigned int, ZQSize, unsigned long) { ++frames; }
    std::atomic<long long> frames{0};
};

QByteArray frameBytes(int width, int height, quint32 seed)
{
    QByteArray bytes(qsizetype(width) * height * 4, Qt::Uninitialized);
    auto *p = reinterpret_cast<quint32 *>(bytes.data());
    for (qsizetype i = 0; i < qsizetype(width) * height; ++i)
        p[i] = quint32(i) * 2654435761u + seed;
    return bytes;
}

long long residentKiB()
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

// One engine with a compositor and the requested stack, as a host sets it up.
class Stage
{
public:
    Stage(int outputWidth, int outputHeight, bool fullStack)
    {
        m_engine = PreviewEngine::createInstance();
        m_engine->sigVideoFrame.connect(&m_host, &CountingHost::onFrame);
        m_engine->init(30);
        m_engine->setVideoSize(outputWidth, outputHeight);
        m_combine = m_engine->controller()->combine();
        QImage mark(236, 136, QImage::Format_ARGB32);
        mark.fill(qRgba(255, 255, 255, 128));
        m_combine->sender().setWatermark(mark);
        if (fullStack)
            _addFullStack();
    }
    ~Stage()
    {
        m_engine->sigVideoFrame.disconnect_all();
        m_engine->release();
    }

    // Composes one frame and waits (untimed) until the sender thread delivered it, so that
    // no composition is dropped for want of a free slot.
    void compose(benchmark::State *state, const QByteArray &game, int width, int height)
    {
        const long long before = m_host.frames.load();
        m_engine->pushGameVideoData(game.constData(), uint(game.size()), width, height, ++m_time);
        if (state)
            state->PauseTiming();
        while (m_host.frames.load() == before)
            std::this_thread::yield();
        if (m_camera) // a new camera frame for every game frame, as a live camera gives
            m_engine->pushCameraData(m_cameraFrame.constData(), uint(m_cameraFrame.size()), 640,
                                     480, 0);
        // The GUI thread's share: scene pictures posted by the layers.
        QCoreApplication::processEvents();
        if (state)
            state->ResumeTiming();
    }

    PreviewCombineLogic *combine() const { return m_combine; }

private:
    void _addFullStack()
    {
        const QSizeF scene = m_combine->sceneSize();
        m_camera = m_combine->addCameraLayer(
            QPoint(int(scene.width()) - 180, int(scene.height()) - 140), true, QSize(160, 120), 100,
            QStringLiteral("bench camera"), QSize(640, 480), {}, false, 0x00FF00, 0.05f, 0.8f);
        m_cameraFrame = frameBytes(640, 480, 0xFF000000u);
        m_engine->pushCameraData(m_cameraFrame.constData(), uint(m_cameraFrame.size()), 640, 480,
                                 0);
        for (int i = 0; i < 2; ++i) {
            const QString path = m_dir.filePath(QStringLiteral("pic%1.png").arg(i));
            QImage picture(400, 300, QImage::Format_ARGB32);
            picture.fill(qRgba(40 * i, 200, 90, 220));
            picture.save(path);
            m_combine->addImageLayer(path, true, QPoint(20 + 200 * i, 20), true, QSize(160, 120),
                                     80, {});
        }
        QFont font;
        font.setPointSize(24);
        for (int i = 0; i < 5; ++i)
            m_combine->addTextLayer(font, QColor(255, 255, 0),
                                    QStringLiteral("Live text %1").arg(i), QPoint(20, 160 + 40 * i),
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

void composeGameOnly(benchmark::State &state)
{
    const int w = int(state.range(0));
    const int h = int(state.range(1));
    Stage stage(w, h, false);
    const QByteArray game = frameBytes(w, h, 0);
    for (auto _ : state)
        stage.compose(&state, game, w, h);
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(composeGameOnly)->Args({1280, 720})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

void composeFullStack(benchmark::State &state)
{
    const int w = int(state.range(0));
    const int h = int(state.range(1));
    Stage stage(w, h, true);
    const QByteArray game = frameBytes(w, h, 0);
    for (auto _ : state)
        stage.compose(&state, game, w, h);
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(composeFullStack)->Args({1280, 720})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

// Game frame size differs from the output: args are output w, h, game w, h.
void composeOtherGameSize(benchmark::State &state)
{
    Stage stage(int(state.range(0)), int(state.range(1)), true);
    const int gw = int(state.range(2));
    const int gh = int(state.range(3));
    const QByteArray game = frameBytes(gw, gh, 0);
    for (auto _ : state)
        stage.compose(&state, game, gw, gh);
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(composeOtherGameSize)
    ->Args({1920, 1080, 1280, 720})
    ->Args({1280, 720, 1920, 1080})
    ->Unit(benchmark::kMillisecond);

void stampWatermark(benchmark::State &state)
{
    QImage frame(1920, 1080, QImage::Format_RGB32);
    frame.fill(Qt::darkGray);
    QImage mark(236, 136, QImage::Format_ARGB32);
    mark.fill(qRgba(255, 255, 255, 128));
    for (auto _ : state) {
        FrameSender::stampWatermark(&frame, mark);
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(stampWatermark)->Unit(benchmark::kMicrosecond);

void reportMemoryOverManyFrames()
{
    Stage stage(1920, 1080, true);
    const QByteArray game = frameBytes(1920, 1080, 0);
    for (int i = 0; i < 100; ++i) // warm up: slots, caches, fonts
        stage.compose(nullptr, game, 1920, 1080);
    const long long before = residentKiB();
    for (int i = 0; i < 10000; ++i)
        stage.compose(nullptr, game, 1920, 1080);
    const long long after = residentKiB();
    std::printf("resident memory, full stack 1080p: %lld KiB before, %lld KiB after 10,000 "
                "frames (%+lld KiB)\n",
                before, after, after - before);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!qEnvironmentVariableIsSet("BENCH_SKIP_MEMORY"))
        reportMemoryOverManyFrames();
    return 0;
}
