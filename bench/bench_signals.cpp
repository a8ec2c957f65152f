// Emission cost of the signals on the per-frame path: every pushed game and camera frame goes
// through one emission of the controller's five-argument signal.

#include "AllocationCounter.h"
#include "xsignals/xsignals.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <thread>
#include <vector>

namespace {

class FrameReceiver : public xsignals::trackable
{
public:
    ~FrameReceiver() override { disconnect_all(); }

    void onFrame(const char *data, unsigned int length, int width, int height, unsigned long time)
    {
        m_sum += length + static_cast<unsigned int>(width + height) + time + (data ? 1 : 0);
    }

    unsigned long long m_sum = 0;
};

using FrameSignal = xsignals::signal<void(const char *, unsigned int, int, int, unsigned long)>;

void emitFrames(benchmark::State &state)
{
    FrameSignal signal;
    std::vector<std::unique_ptr<FrameReceiver>> receivers;
    for (int i = 0; i < state.range(0); ++i) {
        receivers.push_back(std::make_unique<FrameReceiver>());
        signal.connect(receivers.back().get(), &FrameReceiver::onFrame);
    }
    const char frame[16] = {};
    unsigned long time = 0;
    const long long allocationsBefore = AllocationCounter::count();
    for (auto _ : state)
        signal(frame, sizeof frame, 1920, 1080, ++time);
    state.counters["allocs/emit"] = benchmark::Counter(
        double(AllocationCounter::count() - allocationsBefore) / double(state.iterations()));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(emitFrames)->Arg(0)->Arg(1)->Arg(2)->Arg(8);

// Two capture threads emitting into the same receivers, as game and camera frames do.
void emitFramesContended(benchmark::State &state)
{
    static FrameSignal signal;
    static FrameReceiver receivers[2];
    if (state.thread_index() == 0) {
        for (FrameReceiver &r : receivers)
            signal.connect(&r, &FrameReceiver::onFrame);
    }
    const char frame[16] = {};
    unsigned long time = 0;
    for (auto _ : state)
        signal(frame, sizeof frame, 1280, 720, ++time);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(emitFramesContended)->Threads(2)->UseRealTime();

// A connection's receiver comes and goes while frames flow: the cost of purging.
void connectEmitDisconnect(benchmark::State &state)
{
    FrameSignal signal;
    FrameReceiver stable;
    signal.connect(&stable, &FrameReceiver::onFrame);
    const char frame[16] = {};
    for (auto _ : state) {
        auto transient = std::make_unique<FrameReceiver>();
        signal.connect(transient.get(), &FrameReceiver::onFrame);
        signal(frame, sizeof frame, 640, 480, 1);
        transient.reset();
        signal(frame, sizeof frame, 640, 480, 2);
    }
}
BENCHMARK(connectEmitDisconnect);

} // namespace

BENCHMARK_MAIN();
