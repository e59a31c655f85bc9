// Speed of the capture tool's --at path: frames per second with and without PNG encoding,
// and the cost of the pieces (the frame alone, one PNG on one thread with each encoding), and
// of a second of the show's sound.
//
// Every batch renders one frame per second of the show, 0 s to 109 s, so that all segments
// weigh in as they do in a video of the whole show. Frames per second is items_per_second.
#include "platform/music/MusicDecoder.h"
#include "tools/capture/Capture.h"
#include "tools/capture/PngWriter.h"
#include "timeline/Schedule.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

using namespace capture;
using session::FrameView;
using session::ShowSession;

// The session every benchmark renders in; opened by main in the assets folder.
ShowSession* running = nullptr;

std::vector<std::uint32_t> BatchTimes()
{
    std::vector<std::uint32_t> times;
    for (std::uint32_t second = 0; second < ShowCycleSteps * StepMilliseconds / 1000; ++second)
        times.push_back(second * 1000);
    return times;
}

// A meter that shows nothing, so that only the capture itself is measured.
ProgressMeter SilentProgress(std::size_t total)
{
    return ProgressMeter(
        total, false, [](const std::string&) {}, [] { return 0.0; });
}

std::filesystem::path ScratchFolder()
{
    const auto folder = std::filesystem::temp_directory_path() /
                        ("quen-capture-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

// The frame itself: RenderFrame at one time after another, nothing copied out.
void BM_RenderFrameOnly(benchmark::State& state)
{
    const std::vector<std::uint32_t> times = BatchTimes();
    std::size_t next = 0;
    for (auto _ : state)
    {
        running->Render(times[next]);
        next = (next + 1) % times.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RenderFrameOnly)->Unit(benchmark::kMillisecond);

// --at without encoding: render, copy out of BackBuffer into the pipeline's buffers and hand
// over to a worker that drops the frame.
void BM_AtRawFrames(benchmark::State& state)
{
    const std::vector<std::uint32_t> times = BatchTimes();
    const FrameView frame = running->Frame();
    for (auto _ : state)
    {
        FramePipeline pipeline(frame.width, frame.height, 1, 4,
                               [](const FrameImage&, std::size_t) {});
        ProgressMeter progress = SilentProgress(times.size());
        RenderFrames(
            *running, times.size(), [&](std::size_t i) { return times[i]; }, pipeline, progress);
        pipeline.Finish();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(times.size()));
}
BENCHMARK(BM_AtRawFrames)->Unit(benchmark::kMillisecond)->UseRealTime();

// --at as the tool runs it: PNG files written by the encoder threads.
void BM_AtPngFrames(benchmark::State& state)
{
    const std::vector<std::uint32_t> times = BatchTimes();
    const FrameView frame = running->Frame();
    const std::filesystem::path folder = ScratchFolder();
    const unsigned workers = EncoderThreads();
    for (auto _ : state)
    {
        FramePipeline pipeline(
            frame.width, frame.height, workers, workers + 2,
            [&](const FrameImage& image, std::size_t index)
            { WritePng(image, folder / (std::to_string(times[index]) + ".png")); });
        ProgressMeter progress = SilentProgress(times.size());
        RenderFrames(
            *running, times.size(), [&](std::size_t i) { return times[i]; }, pipeline, progress);
        pipeline.Finish();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(times.size()));
    std::uintmax_t bytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        bytes += entry.file_size();
    state.counters["png_kb"] = double(bytes) / 1024.0 / double(times.size());
    state.counters["encoders"] = workers;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_AtPngFrames)->Unit(benchmark::kMillisecond)->UseRealTime();

// One PNG on the calling thread, for frames of every segment in turn, at libdeflate level
// range(0), rows filtered Up if range(1).
void BM_PngEncodeOneThread(benchmark::State& state)
{
    const std::vector<std::uint32_t> times = BatchTimes();
    std::vector<FrameImage> frames;
    for (std::size_t i = 0; i < times.size(); i += 10)
    {
        running->Render(times[i]);
        const FrameView view = running->Frame();
        FrameImage image{view.width, view.height,
                         std::vector<std::uint32_t>(std::size_t(view.width) * view.height)};
        CopyFrame(view, image);
        frames.push_back(std::move(image));
    }
    const std::filesystem::path folder = ScratchFolder();
    const PngEncoding encoding{int(state.range(0)), state.range(1) != 0};
    std::size_t next = 0;
    std::uintmax_t bytes = 0;
    for (auto _ : state)
    {
        WritePng(frames[next], folder / "frame.png", encoding);
        bytes += std::filesystem::file_size(folder / "frame.png");
        next = (next + 1) % frames.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["png_kb"] = double(bytes) / 1024.0 / double(state.iterations());
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_PngEncodeOneThread)
    ->Unit(benchmark::kMillisecond)
    ->ArgsProduct({{1, 2, 3, 4, 6}, {0, 1}})
    ->Args({0, 0});

// One second of the show's sound as the demo's audio thread and the capture tool make it: the
// project's music, decoded as it plays, and a one-frame MP3 (its tag, LAME's header frame and
// one frame of sound), looped without end: decoded once, then copied.
void BM_MusicSecond(benchmark::State& state)
{
    std::ifstream file("zeft.mp3", std::ios::binary);
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), {}};
    if (state.range(0) == 1)
        bytes.resize(1245);
    std::string error;
    music::Player player(music::Track::Decode(bytes, true, 44100, error), true);
    std::vector<std::int16_t> buffer(2 * 2048);
    for (auto _ : state)
    {
        for (int i = 0; i < 44100 / 2048 + 1; ++i)
            player.Read(buffer.data(), 2048);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetLabel(state.range(0) == 1 ? "one frame, looped" : "zeft.mp3");
}
BENCHMARK(BM_MusicSecond)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

// Opens the show once, in the project's assets folder, for all benchmarks.
int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::filesystem::current_path(QUEN_ASSETS_DIR);
    {
        ShowSession show;
        running = &show;
        benchmark::RunSpecifiedBenchmarks();
        running = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
