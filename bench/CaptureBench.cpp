// Speed of the capture tool: videos of every kind of a fixed length (20 s of show) with the
// processor time of the tool and of ffmpeg per frame, measured in the same run; the --at path
// with and without PNG encoding, and the cost of the pieces (the frame alone, one PNG on one
// thread with each encoding), and of a second of the show's sound.
//
// Every batch renders one frame per second of the show, 0 s to 109 s, so that all segments
// weigh in as they do in a video of the whole show. Frames per second is items_per_second.
#include "platform/music/MusicDecoder.h"
#include "tools/capture/Capture.h"
#include "tools/capture/PngWriter.h"
#include "tools/capture/VideoPipe.h"
#include "timeline/Schedule.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace
{

using namespace capture;
using session::FrameView;
using session::ShowSession;

// The session the frame benchmarks render in, opened in the assets folder when first needed;
// a video capture closes it to start its own (one session at a time).
std::unique_ptr<ShowSession> opened;

ShowSession& Running()
{
    if (!opened)
        opened = std::make_unique<ShowSession>();
    return *opened;
}

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

double CpuSeconds(int who)
{
    rusage usage{};
    ::getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// A video of the show's first 20 s as the tool makes it: kind range(0) (0 mp4, 1 webm, 2 mkv),
// scale range(1), the upload preset if range(2), read back and checked if range(3). Counters:
// the processor time per frame of the tool (every thread) and of ffmpeg and ffprobe.
void BM_CaptureVideo(benchmark::State& state)
{
    opened.reset();
    const std::optional<std::filesystem::path> ffmpeg = FindProgram("ffmpeg");
    if (!ffmpeg)
    {
        state.SkipWithError("ffmpeg is not installed");
        return;
    }
    const char* names[] = {"v.mp4", "v.webm", "v.mkv"};
    const std::filesystem::path folder = ScratchFolder();
    VideoJob job;
    job.ffmpeg = *ffmpeg;
    job.path = job.file = folder / names[state.range(0)];
    job.container = Container(state.range(0));
    job.scale = int(state.range(1));
    job.forUpload = state.range(2) != 0;
    job.check = state.range(3) != 0;
    job.fps = 60;
    job.frames = 1200;
    double tool = 0, encoder = 0;
    for (auto _ : state)
    {
        const double self = CpuSeconds(RUSAGE_SELF), children = CpuSeconds(RUSAGE_CHILDREN);
        CaptureVideo(job);
        tool += CpuSeconds(RUSAGE_SELF) - self;
        encoder += CpuSeconds(RUSAGE_CHILDREN) - children;
    }
    const double frames = double(state.iterations()) * job.frames;
    state.SetItemsProcessed(std::int64_t(frames));
    state.counters["tool_ms"] = tool * 1000 / frames;
    state.counters["ffmpeg_ms"] = encoder * 1000 / frames;
    state.counters["mb"] = double(std::filesystem::file_size(job.file)) / 1e6;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_CaptureVideo)
    ->ArgNames({"kind", "scale", "upload", "check"})
    ->Args({0, 1, 0, 0})
    ->Args({0, 1, 0, 1})
    ->Args({1, 2, 0, 1})
    ->Args({2, 1, 0, 1})
    ->Args({0, 4, 1, 0})
    ->Args({0, 4, 1, 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// The frame itself: RenderFrame at one time after another, nothing copied out.
void BM_RenderFrameOnly(benchmark::State& state)
{
    const std::vector<std::uint32_t> times = BatchTimes();
    std::size_t next = 0;
    for (auto _ : state)
    {
        Running().Render(times[next]);
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
    const FrameView frame = Running().Frame();
    for (auto _ : state)
    {
        FramePipeline pipeline(frame.width, frame.height, 1, 4,
                               [](const FrameImage&, std::size_t) {});
        ProgressMeter progress = SilentProgress(times.size());
        RenderFrames(
            Running(), times.size(), [&](std::size_t i) { return times[i]; }, pipeline, progress);
        pipeline.Finish();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(times.size()));
}
BENCHMARK(BM_AtRawFrames)->Unit(benchmark::kMillisecond)->UseRealTime();

// --at as the tool runs it: PNG files written by the encoder threads.
void BM_AtPngFrames(benchmark::State& state)
{
    const std::vector<std::uint32_t> times = BatchTimes();
    const FrameView frame = Running().Frame();
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
            Running(), times.size(), [&](std::size_t i) { return times[i]; }, pipeline, progress);
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
        Running().Render(times[i]);
        const FrameView view = Running().Frame();
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
    benchmark::RunSpecifiedBenchmarks();
    opened.reset();
    benchmark::Shutdown();
    return 0;
}
