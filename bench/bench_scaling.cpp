// The per-frame scaler against libyuv's bilinear ARGBScale (which darkens: its weights add up to
// 127/128) at the sizes composition meets, with each set of our row kernels the processor runs
// (Highway's targets, best first) and the plain C++ reference; and the game's whole pass into a
// frame slot as composition makes it, row by row through a row buffer, stored through the cache
// or past it, against libyuv plus a second pass for the fourth byte.

#include "ImageScaler.h"
#include "PixelRows.h"

#include <benchmark/benchmark.h>
#include <libyuv/scale_argb.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Case
{
    const char *name;
    int srcWidth;
    int srcHeight;
    int dstWidth;
    int dstHeight;
    ImageScaler::Filter filter;
};

const Case Cases[] = {
    {"game 1920x1080 to 1920x1079", 1920, 1080, 1920, 1079, ImageScaler::Filter::Smooth},
    {"camera 640x480 to 823x617", 640, 480, 823, 617, ImageScaler::Filter::Smooth},
    {"widen 1280x720 to 1920x1080", 1280, 720, 1920, 1080, ImageScaler::Filter::Smooth},
    {"widen 1920x1079 to 1920x1080", 1920, 1079, 1920, 1080, ImageScaler::Filter::Smooth},
    {"narrow 1920x1080 to 1280x720", 1920, 1080, 1280, 720, ImageScaler::Filter::Smooth},
    {"camera 640x480 to 411x308", 640, 480, 411, 308, ImageScaler::Filter::Smooth},
    {"preview 1920x1080 to 746x419, nearest", 1920, 1080, 746, 419, ImageScaler::Filter::Fast},
};

std::vector<std::uint32_t> noise(size_t count)
{
    std::vector<std::uint32_t> pixels(count);
    std::uint32_t state = 12345;
    for (std::uint32_t &p : pixels) {
        state = state * 1664525u + 1013904223u;
        p = state;
    }
    return pixels;
}

struct Buffers
{
    explicit Buffers(const Case &c)
        : source(noise(size_t(c.srcWidth) * size_t(c.srcHeight)))
        , target(size_t(c.dstWidth) * size_t(c.dstHeight))
    {}
    const std::uint8_t *src() const
    {
        return reinterpret_cast<const std::uint8_t *>(source.data());
    }
    std::uint8_t *dst() { return reinterpret_cast<std::uint8_t *>(target.data()); }
    std::vector<std::uint32_t> source;
    std::vector<std::uint32_t> target;
};

void setLabel(benchmark::State &state, const Case &c)
{
    state.SetLabel(c.name);
    state.counters["Mpixel/s"] = benchmark::Counter(double(c.dstWidth) * c.dstHeight,
                                                    benchmark::Counter::kIsIterationInvariantRate,
                                                    benchmark::Counter::kIs1000);
}

void libyuvScale(benchmark::State &state)
{
    const Case &c = Cases[state.range(0)];
    Buffers buffers(c);
    const libyuv::FilterMode mode =
        c.filter == ImageScaler::Filter::Smooth ? libyuv::kFilterBilinear : libyuv::kFilterNone;
    for (auto _ : state) {
        libyuv::ARGBScale(buffers.src(), c.srcWidth * 4, c.srcWidth, c.srcHeight, buffers.dst(),
                          c.dstWidth * 4, c.dstWidth, c.dstHeight, mode);
        benchmark::DoNotOptimize(buffers.target.data());
    }
    setLabel(state, c);
}

void ourScale(benchmark::State &state, const PixelRows::Kernels *kernels)
{
    const Case &c = Cases[state.range(0)];
    PixelRows::use(kernels);
    Buffers buffers(c);
    for (auto _ : state) {
        ImageScaler::scale32(buffers.src(), c.srcWidth * 4, c.srcWidth, c.srcHeight, buffers.dst(),
                             c.dstWidth * 4, c.dstWidth, c.dstHeight, c.filter);
        benchmark::DoNotOptimize(buffers.target.data());
    }
    PixelRows::use(nullptr);
    setLabel(state, c);
}

// The machine is shared: with --benchmark_repetitions, the fastest repetition is the one least
// disturbed by other work.
void withMinimum(benchmark::internal::Benchmark *benchmark)
{
    benchmark->ComputeStatistics(
        "min", [](const std::vector<double> &v) { return *std::min_element(v.begin(), v.end()); });
    benchmark->Unit(benchmark::kMicrosecond);
}

void eachCase(benchmark::internal::Benchmark *benchmark)
{
    for (size_t i = 0; i < std::size(Cases); ++i)
        benchmark->Arg(int(i));
    withMinimum(benchmark);
}

BENCHMARK(libyuvScale)->Apply(eachCase);

// The game frame into the game rectangle of one of three frame slots in turn, as composition
// writes it while a host consumes the previous frames: args are the output width and height,
// the game rectangle one row shorter (a 16:9 game in the scene's 16:9 area).
struct Slots
{
    Slots(int width, int height)
        : game(noise(size_t(width) * size_t(height)))
    {
        for (std::vector<std::uint32_t> &slot : frames)
            slot.assign(size_t(width) * size_t(height), 0);
    }
    std::vector<std::uint32_t> game;
    std::vector<std::uint32_t> frames[3];
};

void gameIntoSlotLibyuvThenOpaque(benchmark::State &state)
{
    const int w = int(state.range(0));
    const int h = int(state.range(1));
    Slots stage(w, h);
    int next = 0;
    for (auto _ : state) {
        std::vector<std::uint32_t> &slot = stage.frames[next++ % 3];
        libyuv::ARGBScale(reinterpret_cast<const std::uint8_t *>(stage.game.data()), w * 4, w, h,
                          reinterpret_cast<std::uint8_t *>(slot.data()), w * 4, w, h - 1,
                          libyuv::kFilterBilinear);
        for (size_t i = 0; i < size_t(w) * size_t(h - 1); ++i)
            slot[i] |= 0xFF000000u;
        benchmark::DoNotOptimize(slot.data());
    }
}

// Arg 2: 1 writes past the cache (as composition does), 0 through it.
void gameIntoSlotByRows(benchmark::State &state)
{
    const int w = int(state.range(0));
    const int h = int(state.range(1));
    const bool streaming = state.range(2) != 0;
    const PixelRows::Kernels &kernels = PixelRows::best();
    Slots stage(w, h);
    ImageScaler::RowScaler scaler;
    scaler.prepare(w, h, w, h - 1, ImageScaler::Filter::Smooth);
    std::vector<std::uint32_t> row(static_cast<size_t>(w));
    int next = 0;
    for (auto _ : state) {
        std::vector<std::uint32_t> &slot = stage.frames[next++ % 3];
        scaler.newSource();
        for (int y = 0; y < h - 1; ++y) {
            scaler.scaleRow(reinterpret_cast<const std::uint8_t *>(stage.game.data()), w * 4, y,
                            row.data(), 0xFF000000u, kernels);
            std::uint32_t *out = slot.data() + size_t(y) * size_t(w);
            if (streaming)
                kernels.stream(out, row.data(), w);
            else
                kernels.copy(out, row.data(), w, 0);
        }
        PixelRows::finishStreaming();
        benchmark::DoNotOptimize(slot.data());
    }
}

BENCHMARK(gameIntoSlotLibyuvThenOpaque)->Args({1920, 1080})->Args({3840, 2160})->Apply(withMinimum);
BENCHMARK(gameIntoSlotByRows)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1})
    ->Apply(withMinimum);

} // namespace

int main(int argc, char **argv)
{
    std::printf("row kernels:");
    for (const PixelRows::Kernels *kernels : PixelRows::available()) {
        std::printf(" %s", kernels->name);
        benchmark::RegisterBenchmark((std::string("ourScale/") + kernels->name).c_str(), ourScale,
                                     kernels)
            ->Apply(eachCase);
    }
    benchmark::RegisterBenchmark("ourScale/reference", ourScale, &PixelRows::reference())
        ->Apply(eachCase);
    std::printf(" (best first) and the reference\n");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
