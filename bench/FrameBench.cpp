// What one frame of each segment costs: the demo's own start-up and RenderFrame, headless,
// with the project's pictures, the clock held at a chosen step. Plain 800x600 32-bit memcpy and
// memset, measured in the same run, are the floors. Every figure is CPU time on one core, the
// median (and the least) of repetitions; the summary at the end sets each frame's median beside
// the memcpy and the targets. Every frame benchmark also counts heap allocations made while
// frames are drawn: the demo allocates nothing per frame.
#include "gfx/PixelKernels.h"
#include "tools/session/ShowSession.h"
#include "support/AllocationCounter.h"
#include "timeline/Schedule.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace
{

constexpr int Repetitions = 10;
constexpr double SecondsPerRepetition = 0.04;
// Targets for a frame's median: at most this many microseconds, and at most this many memcpys
// of one frame (the black pause, which only clears, has a tighter one).
constexpr double FrameLimitUs = 250.0;
constexpr double FrameLimitMemcpys = 4.5;
constexpr double PauseLimitMemcpys = 1.5;

const char* const MemcpyName = "memcpy 800x600x4";
const char* const MemsetName = "memset 800x600x4";
const char* const PauseName = "black pause";

// The show, started once in the assets folder and kept for every benchmark.
session::ShowSession& Show()
{
    static session::ShowSession* show = []
    {
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(QUEN_ASSETS_DIR);
        auto* started = new session::ShowSession;
        std::filesystem::current_path(previous);
        return started;
    }();
    return *show;
}

void Frame(benchmark::State& state)
{
    session::ShowSession& show = Show();
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
}

std::vector<std::uint32_t> from(800 * 600, 0x123456), to(800 * 600);

void FrameMemcpy(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::memcpy(to.data(), from.data(), from.size() * 4);
        benchmark::ClobberMemory();
    }
}

void FrameMemset(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::memset(to.data(), 0, to.size() * 4);
        benchmark::ClobberMemory();
    }
}

double Least(const std::vector<double>& v)
{
    return *std::min_element(v.begin(), v.end());
}

benchmark::internal::Benchmark* Measured(benchmark::internal::Benchmark* b)
{
    return b->Unit(benchmark::kMicrosecond)
        ->Repetitions(Repetitions)
        ->MinTime(SecondsPerRepetition)
        ->ComputeStatistics("min", Least)
        ->ReportAggregatesOnly(true);
}

// Every segment at its first and last step and in between; the iris changes with the step.
const struct
{
    const char* name;
    std::vector<DWORD> steps;
} Segments[] = {
    {"reveal wipe", {WipeFirstStep, 100, WipeLastStep}},
    {"fade to black", {FadeFirstStep, 225, FadeLastStep}},
    {"blob field", {BlobFirstStep, 350, BlobLastStep}},
    {PauseName, {BlobLastStep + 1}},
    {"pulsing blend", {BlendFirstStep, 500, BlendJ3FirstStep, BlendLastStep}},
    {"sine row warp", {WarpFirstStep, 700, WarpShownLastStep}},
    {"warp + cubes + iris", {IrisFirstStep, 900, IrisLastStep}},
    {"cubes", {IrisLastStep + 1, 1000, CubesLastStep}},
    {"scroller", {ScrollFirstStep, 1600, ScrollFirstStep + ScrollPeriod - 1}},
};

// The console report, then one table of every frame against the floors and the targets.
class SummaryReporter : public benchmark::ConsoleReporter
{
  public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
        {
            const std::string key = run.run_name.function_name + "/" + run.run_name.args;
            if (std::find(order_.begin(), order_.end(), key) == order_.end())
                order_.push_back(key);
            if (run.aggregate_name == "median")
                median_[key] = run.GetAdjustedCPUTime();
            else if (run.aggregate_name == "min")
                min_[key] = run.GetAdjustedCPUTime();
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double memcpyUs = median_[std::string(MemcpyName) + "/"];
        if (memcpyUs <= 0)
            return;
        std::printf("\nCPU time on one core, microseconds: least and median of %d repetitions\n",
                    Repetitions);
        std::printf("%-28s %9s %9s %9s  %s\n", "frame/step", "min", "median", "x memcpy", "target");
        int over = 0;
        for (const std::string& key : order_)
        {
            const bool floor = key.rfind(MemcpyName, 0) == 0 || key.rfind(MemsetName, 0) == 0;
            const double limit =
                key.rfind(PauseName, 0) == 0 ? PauseLimitMemcpys : FrameLimitMemcpys;
            const double ratio = median_[key] / memcpyUs;
            const bool met = floor || (median_[key] <= FrameLimitUs && ratio <= limit);
            over += met ? 0 : 1;
            std::printf("%-28s %9.1f %9.1f %9.2f  %s\n", key.c_str(), min_[key], median_[key],
                        ratio,
                        floor ? "floor"
                        : met ? "met"
                              : "OVER");
        }
        std::printf("%s\n", over == 0 ? "every frame within its target"
                                      : (std::to_string(over) + " frames over target").c_str());
    }

  private:
    std::vector<std::string> order_;
    std::map<std::string, double> median_, min_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    // QUEN_KERNEL_LEVEL=0 measures the portable forms that other processors run (1: SSE2).
    if (const char* level = std::getenv("QUEN_KERNEL_LEVEL"))
        PixelKernelLevel = std::min(std::atoi(level), BestPixelKernelLevel());
    Measured(benchmark::RegisterBenchmark(MemcpyName, FrameMemcpy));
    Measured(benchmark::RegisterBenchmark(MemsetName, FrameMemset));
    for (const auto& segment : Segments)
    {
        for (DWORD step : segment.steps)
            Measured(benchmark::RegisterBenchmark(segment.name, Frame))->Arg(step);
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
