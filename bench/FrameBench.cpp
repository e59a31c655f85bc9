// What one frame of each segment costs: the demo's own start-up and RenderFrame, headless,
// with the project's pictures, the clock held inside the segment. A plain 800x600 32-bit
// memcpy, measured in the same run, is the floor. Every frame benchmark also counts heap
// allocations made while frames are drawn: the demo allocates nothing per frame.
#include "platform/session/ShowSession.h"
#include "support/AllocationCounter.h"
#include "timeline/Schedule.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <vector>

namespace
{

// The show, started once in the assets folder and kept for every benchmark.
demo::ShowSession& Show()
{
    static demo::ShowSession* show = []
    {
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(QUEN_ASSETS_DIR);
        auto* started = new demo::ShowSession;
        std::filesystem::current_path(previous);
        return started;
    }();
    return *show;
}

void Frame(benchmark::State& state)
{
    demo::ShowSession& show = Show();
    const DWORD step = static_cast<DWORD>(state.range(0));
    const DWORD elapsed = step * StepMilliseconds + StepMilliseconds / 2;
    show.Render(elapsed); // warm-up
    const long before = testalloc::Count();
    for (auto _ : state)
    {
        show.Render(elapsed);
        benchmark::ClobberMemory();
    }
    state.counters["allocs"] = static_cast<double>(testalloc::Count() - before);
    state.SetLabel(std::to_string(step));
}

void FrameMemcpy(benchmark::State& state)
{
    std::vector<std::uint32_t> from(800 * 600, 0x123456), to(800 * 600);
    for (auto _ : state)
    {
        std::memcpy(to.data(), from.data(), from.size() * 4);
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(FrameMemcpy)->Name("memcpy 800x600x4")->Unit(benchmark::kMicrosecond);
BENCHMARK(Frame)->Name("reveal wipe")->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(Frame)->Name("fade to black")->Arg(225)->Unit(benchmark::kMicrosecond);
BENCHMARK(Frame)->Name("blob field")->Arg(350)->Unit(benchmark::kMicrosecond);
BENCHMARK(Frame)->Name("black pause")->Arg(455)->Unit(benchmark::kMicrosecond);
BENCHMARK(Frame)->Name("pulsing blend")->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(Frame)->Name("sine row warp")->Arg(700)->Unit(benchmark::kMicrosecond);
BENCHMARK(Frame)->Name("warp + cubes + iris")->Arg(900)->Unit(benchmark::kMicrosecond);
BENCHMARK(Frame)->Name("cubes")->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(Frame)->Name("scroller")->Arg(1600)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
