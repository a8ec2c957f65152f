// Per-frame costs of the reference host: drawing the game picture on the capture thread, the
// copy a delivered frame costs the engine's sender thread, and the writer's I420 conversion.
// At 30 fps each must stay well inside 33 ms, and the sender-side copy must stay around a
// millisecond and allocate nothing.

#include "AllocationCounter.h"
#include "TestPattern.h"
#include "Y4mWriter.h"

#include <libyuv/convert_from_argb.h>

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

namespace {

void renderGamePicture(benchmark::State &state)
{
    TestPattern pattern(QSize(1280, 720));
    qint64 index = 0;
    const long long before = AllocationCounter::count();
    for (auto _ : state)
        benchmark::DoNotOptimize(pattern.render(index++).constBits());
    state.counters["allocs/frame"] = benchmark::Counter(
        double(AllocationCounter::count() - before) / double(state.iterations()));
}
BENCHMARK(renderGamePicture)->Unit(benchmark::kMillisecond);

// What one delivery costs the sender thread while the writer thread drains the pool.
void deliverToWriter(benchmark::State &state)
{
    QTemporaryDir dir;
    Y4mWriter writer(dir.path(), 30);
    QString error;
    if (!writer.start(&error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    writer.announceSize(1280, 720);
    std::vector<unsigned char> frame(1280 * 720 * 4, 0x80);
    unsigned long timestamp = 0;
    long long allocations = 0;
    for (auto _ : state) {
        const long long before = AllocationCounter::count();
        writer.onFrame(frame.data(), 1280 * 4, 1280, 720, ++timestamp);
        allocations += AllocationCounter::count() - before;
        // Paced like a 30 fps stream would be, so drops show only when the writer falls behind.
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        state.ResumeTiming();
    }
    writer.finish();
    state.counters["allocs/frame"] = benchmark::Counter(double(allocations) / state.iterations());
    state.counters["dropped"] = double(writer.droppedPoolFull());
}
BENCHMARK(deliverToWriter)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(200);

void convertToI420(benchmark::State &state)
{
    const int w = 1280;
    const int h = 720;
    std::vector<std::uint8_t> argb(std::size_t(w) * h * 4, 0x80);
    std::vector<std::uint8_t> i420(std::size_t(w) * h * 3 / 2);
    for (auto _ : state) {
        libyuv::ARGBToI420(argb.data(), w * 4, i420.data(), w, i420.data() + w * h, w / 2,
                           i420.data() + w * h * 5 / 4, w / 2, w, h);
        benchmark::DoNotOptimize(i420.data());
    }
}
BENCHMARK(convertToI420)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    // The game picture draws text, which needs a GUI application but no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
