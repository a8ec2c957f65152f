// Cost of composing one output frame, the path every pushed game frame takes: the game layer
// alone, the full stack (game, camera, two pictures, five texts), and a game frame of another
// size than the output. Delivery and watermark stamping run on the sender thread and are
// measured apart. After the benchmarks the program composes 10,000 full-stack 1080p frames and
// reports resident memory before and after.

#include "BenchStage.h"
#include "FrameSender.h"
#include "SpanPicture.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include <cstdio>

namespace {

using bench::frameBytes;
using bench::residentKiB;

// The stage with the synthetic watermark; each iteration times the push (the capture thread's
// composition) and leaves delivery and the work between frames untimed.
class Stage : public bench::Stage
{
public:
    Stage(int outputWidth, int outputHeight, bool fullStack)
        : bench::Stage(outputWidth, outputHeight, fullStack, bench::syntheticWatermark())
    {}

    void compose(benchmark::State *state, const QByteArray &game, int width, int height)
    {
        const long long before = push(game, width, height);
        if (state)
            state->PauseTiming();
        waitForDelivery(before);
        betweenFrames();
        if (state)
            state->ResumeTiming();
    }
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
    const SpanPicture mark(bench::syntheticWatermark());
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
    const bench::ScratchHome home;
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
