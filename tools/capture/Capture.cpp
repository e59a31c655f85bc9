#include "tools/capture/Capture.h"

#include "tools/capture/CaptureError.h"
#include "tools/capture/PendingFile.h"
#include "tools/capture/PngWriter.h"
#include "tools/capture/VideoPipe.h"

#include <csignal>
#include <cstdio>
#include <map>
#include <system_error>

namespace capture
{

namespace
{

// Set by SIGINT or SIGTERM; the render loops stop at the next frame and clean up.
volatile std::sig_atomic_t interruptSignal = 0;

void OnInterrupt(int signal)
{
    interruptSignal = signal;
}

// What the user is told after SIGINT or SIGTERM.
constexpr const char* InterruptedReason = "interrupted; no unfinished file is left behind";

void InstallInterruptHandlers()
{
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

void ThrowIfInterrupted()
{
    if (interruptSignal != 0)
        throw CaptureError(InterruptedReason);
}

void CreateFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error && !std::filesystem::is_directory(folder, error))
        error = std::make_error_code(std::errc::not_a_directory);
    if (error)
        throw CaptureError("cannot create output folder " + folder.string() + ": " +
                           error.message());
}

void EnterAssetsFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::current_path(folder, error);
    if (error)
        throw CaptureError("cannot use assets folder " + folder.string() + ": " + error.message());
}

// For each position in `times`, whether a later position repeats its time. Such a frame is
// still rendered (it may move the cubes' angle) but its file is left to the later one.
std::vector<bool> Superseded(const std::vector<std::uint32_t>& times)
{
    std::map<std::uint32_t, std::size_t> last;
    for (std::size_t i = 0; i < times.size(); ++i)
        last[times[i]] = i;
    std::vector<bool> superseded(times.size());
    for (std::size_t i = 0; i < times.size(); ++i)
        superseded[i] = last[times[i]] != i;
    return superseded;
}

} // namespace

void RenderTimes(demo::ShowSession& session, const std::vector<std::uint32_t>& times,
                 FramePipeline& pipeline, ProgressMeter& progress)
{
    for (std::size_t i = 0; i < times.size(); ++i)
    {
        ThrowIfInterrupted();
        session.Render(times[i]);
        pipeline.Submit(session.Frame(), i);
        progress.Advance();
    }
}

void CaptureStills(const std::vector<std::uint32_t>& times, const std::filesystem::path& outDir)
{
    CreateFolder(outDir);
    const std::vector<bool> superseded = Superseded(times);
    auto writeFrame = [&](const FrameImage& frame, std::size_t index)
    {
        if (!superseded[index])
            WritePng(frame, outDir / (std::to_string(times[index]) + ".png"));
    };

    demo::ShowSession session;
    const demo::FrameView first = session.Frame();
    const unsigned workers = EncoderThreads();
    FramePipeline pipeline(first.width, first.height, workers, workers + 2, writeFrame);
    ProgressMeter progress = ProgressMeter::ForStderr(times.size());
    RenderTimes(session, times, pipeline, progress);
    pipeline.Finish();
    progress.Finish();
}

void CaptureVideo(const std::filesystem::path& videoFile, int fps, std::uint32_t frames)
{
    const std::optional<std::filesystem::path> ffmpeg = FindProgram("ffmpeg");
    if (!ffmpeg)
        throw CaptureError("ffmpeg not found on PATH; install it with: apt-get install ffmpeg");
    std::error_code error;
    if (std::filesystem::is_directory(videoFile, error))
        throw CaptureError("--video " + videoFile.string() + " is a folder; give a file name");
    CreateFolder(videoFile.parent_path());

    demo::ShowSession session;
    const demo::FrameView first = session.Frame();
    VideoSettings settings;
    settings.width = first.width;
    settings.height = first.height;
    settings.fps = fps;
    settings.frames = frames;
    // The same file start-up opened; ffmpeg loops it to the video's length.
    if (session.HasMusic())
        settings.music = std::filesystem::absolute("zeft.mp3");
    else
        std::fputs("quen-capture: no music could be opened; the video is silent\n", stderr);

    PendingFile pending(videoFile);
    settings.output = pending.TempPath();
    FfmpegPipe ffmpegPipe(*ffmpeg, FfmpegArguments(settings));
    // One worker keeps the frames in order while ffmpeg encodes in parallel with rendering.
    FramePipeline pipeline(first.width, first.height, 1, 4,
                           [&](const FrameImage& frame, std::size_t) { ffmpegPipe.Write(frame); });

    std::vector<std::uint32_t> times(frames);
    for (std::uint32_t i = 0; i < frames; ++i)
        times[i] = VideoFrameTime(i, fps);
    ProgressMeter progress = ProgressMeter::ForStderr(frames);
    RenderTimes(session, times, pipeline, progress);
    pipeline.Finish();
    ffmpegPipe.Finish();
    pending.Commit();
    progress.Finish();
}

int RunCapture(const std::vector<std::string_view>& args)
{
    try
    {
        const CaptureOptions options = ParseArguments(args);
        if (options.mode == CaptureMode::Help)
        {
            std::fputs(HelpText().c_str(), stdout);
            return ExitSuccess;
        }
        InstallInterruptHandlers();
        // Output paths are taken from the folder the command runs in.
        const bool stills = options.mode == CaptureMode::Stills;
        const std::filesystem::path output =
            std::filesystem::absolute(stills ? options.outDir : options.videoFile);
        if (options.assetsDir)
            EnterAssetsFolder(*options.assetsDir);

        if (stills)
            CaptureStills(options.times, output);
        else
            CaptureVideo(output, options.fps, VideoFrameCount(options.fps, options.seconds));
        return ExitSuccess;
    }
    catch (const std::exception& failure)
    {
        // After SIGINT or SIGTERM, whatever failed on the way out is a consequence of it.
        if (interruptSignal != 0)
        {
            std::fprintf(stderr, "quen-capture: %s\n", InterruptedReason);
            return ExitInterrupted;
        }
        std::fprintf(stderr, "quen-capture: %s\n", failure.what());
        return ExitFailure;
    }
}

} // namespace capture
