#include "tools/capture/Capture.h"

#include "gfx/JpegDecoder.h"
#include "platform/headless/Headless.h"
#include "platform/Text.h"
#include "platform/music/MusicDecoder.h"
#include "shell/ShowFiles.h"
#include "tools/capture/CaptureError.h"
#include "tools/capture/PendingFile.h"
#include "tools/capture/PngWriter.h"
#include "tools/capture/Signals.h"
#include "tools/capture/VideoCheck.h"
#include "tools/capture/VideoPipe.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>
#include <set>
#include <unordered_set>

namespace capture
{

namespace
{

// The largest file of times: about two million of them.
constexpr std::size_t MaxTimesFileBytes = 16UL * 1024 * 1024;

void ThrowIfInterrupted()
{
    if (CaughtSignal() != 0)
        throw CaptureError("interrupted");
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

// A run in a folder without any of the show's files would render black silence: most likely
// the wrong folder. One file missing renders as the demo does, with a warning.
void RequireShowFiles(const std::filesystem::path& shown)
{
    if (HoldsShowFiles("."))
        return;
    throw CaptureError("none of the show's files (initial.jpg, j1.jpg, j2.jpg, j3.jpg, "
                       "scroller.jpg, zeft.mp3) is in " +
                       shown.string() + "; name their folder with --assets DIR");
}

// `path` made absolute without "." and ".." (a folder reached through ".." as the system
// reaches it, links included), the file name itself kept as it is.
std::filesystem::path CleanPath(const std::filesystem::path& path)
{
    const std::filesystem::path absolute = std::filesystem::absolute(path);
    bool up = false;
    for (const std::filesystem::path& part : absolute)
        up = up || part == "..";
    if (!up)
        return absolute.lexically_normal();
    std::error_code error;
    const std::filesystem::path name = absolute.filename();
    if (name.empty() || name == "." || name == "..")
    {
        const std::filesystem::path folder = std::filesystem::weakly_canonical(absolute, error);
        return error ? absolute.lexically_normal() : folder;
    }
    const std::filesystem::path folder =
        std::filesystem::weakly_canonical(absolute.parent_path(), error);
    return error ? absolute.lexically_normal() : folder / name;
}

// The folders a run makes for its output; those still empty are removed again unless Keep
// was called, so that a run that fails leaves no trace.
class MadeFolders
{
  public:
    MadeFolders() = default;
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;
    ~MadeFolders()
    {
        for (const std::filesystem::path& folder : made_)
            ::rmdir(folder.c_str()); // fails, harmlessly, once anything is inside
    }

    // Makes `folder` and its missing parents, remembering which were missing (deepest first).
    void Make(const std::filesystem::path& folder)
    {
        std::error_code error;
        for (std::filesystem::path at = folder;
             !at.empty() && at != at.root_path() && !std::filesystem::exists(at, error);
             at = at.parent_path())
            made_.push_back(at);
        CreateFolder(folder);
    }

    void Keep() { made_.clear(); }

  private:
    std::vector<std::filesystem::path> made_;
};

std::string ReadTimesFile(const std::filesystem::path& file)
{
    std::error_code error;
    if (std::filesystem::is_directory(file, error))
        throw CaptureError("file of times " + file.string() + " is a folder");
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr)
        throw CaptureError("cannot read the file of times " + file.string() + ": " +
                           std::strerror(errno));
    std::string text(MaxTimesFileBytes + 1, '\0');
    const std::size_t got = std::fread(text.data(), 1, text.size(), in);
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed)
        throw CaptureError("cannot read the file of times " + file.string());
    if (got > MaxTimesFileBytes)
        throw CaptureError("the file of times " + file.string() + " is larger than 16 MiB");
    text.resize(got);
    return text;
}

std::filesystem::path PicturePath(const std::filesystem::path& outDir, std::uint32_t time)
{
    return outDir / (std::to_string(time) + ".png");
}

// For each position in `times`, whether a later position repeats its time. Such a frame is
// still rendered (it may move the cubes' angle) but its file is left to the later one.
std::vector<bool> Superseded(const std::vector<std::uint32_t>& times)
{
    std::vector<bool> superseded(times.size());
    std::unordered_set<std::uint32_t> later;
    for (std::size_t i = times.size(); i-- > 0;)
        superseded[i] = !later.insert(times[i]).second;
    return superseded;
}

// Makes the folder and checks every picture's path, and that the folder takes new files,
// before anything is rendered. Returns ", <t>.png through its link to <file>" for each picture
// that a link leads elsewhere, for the last line.
std::string PrepareStills(const std::vector<std::uint32_t>& times,
                          const std::filesystem::path& outDir, MadeFolders& made)
{
    made.Make(outDir);
    std::string links;
    for (std::uint32_t time : std::set<std::uint32_t>(times.begin(), times.end()))
    {
        const std::filesystem::path path = PicturePath(outDir, time);
        const std::filesystem::path file = ResolveOutputFile(path);
        if (file != path)
            links += ", " + path.filename().string() + " through its link to " + file.string();
    }
    PendingFile probe(ResolveOutputFile(PicturePath(outDir, times.front())));
    return links;
}

// Starts the show in the current folder. A picture refused for lack of memory would be black in
// every frame because of this machine rather than the files: then the capture is refused too.
class CheckedSession
{
  public:
    CheckedSession() : before_(PicturesWithoutMemory()), session_()
    {
        if (PicturesWithoutMemory() != before_)
            throw CaptureError("not enough memory to load the pictures; nothing was rendered");
    }
    session::ShowSession& operator*() { return session_; }

  private:
    int before_;
    session::ShowSession session_;
};

std::string Megabytes(const std::filesystem::path& file)
{
    std::error_code error;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB",
                  double(std::filesystem::file_size(file, error)) / 1e6);
    return text;
}

} // namespace

void RenderFrames(session::ShowSession& session, std::size_t count,
                  const std::function<std::uint32_t(std::size_t)>& timeOf, FramePipeline& pipeline,
                  ProgressMeter& progress)
{
    for (std::size_t i = 0; i < count; ++i)
    {
        ThrowIfInterrupted();
        session.Render(timeOf(i));
        pipeline.Submit(session.Frame(), i);
        progress.Advance();
    }
}

void CaptureStills(const std::vector<std::uint32_t>& times, const std::filesystem::path& outDir)
{
    const std::vector<bool> superseded = Superseded(times);
    auto writeFrame = [&](const FrameImage& frame, std::size_t index)
    {
        if (!superseded[index])
            WritePng(frame, ResolveOutputFile(PicturePath(outDir, times[index])));
    };

    CheckedSession started;
    session::ShowSession& session = *started;
    const session::FrameView first = session.Frame();
    const unsigned workers = EncoderThreads();
    FramePipeline pipeline(first.width, first.height, workers, workers + 2, writeFrame);
    ProgressMeter progress = ProgressMeter::ForStderr(times.size());
    progress.WatchWaiting([&] { return pipeline.WaitedSeconds(); });
    RenderFrames(
        session, times.size(), [&](std::size_t i) { return times[i]; }, pipeline, progress);
    pipeline.Finish();
    progress.Finish();
}

static std::filesystem::path FailedCheckName(const std::filesystem::path& file)
{
    return file.parent_path() /
           (file.stem().string() + ".failed-check" + file.extension().string());
}

void CaptureVideo(const VideoJob& job)
{
    // Thrown on the writer thread when ffmpeg stops reading; its exit status says why.
    struct StoppedReading
    {
    };

    std::optional<std::filesystem::path> ffprobe;
    if (job.check)
    {
        ffprobe = FindProgram("ffprobe");
        if (!ffprobe)
            throw CaptureError("ffprobe, which checks the video, is not on PATH; it comes with "
                               "ffmpeg (apt-get install ffmpeg), or give --no-check");
    }
    CheckedSession started;
    session::ShowSession& session = *started;
    const session::FrameView first = session.Frame();
    // The sound of the music the show started, decoded here as the demo decodes it.
    std::unique_ptr<music::Player> sound = headless::PlayingMusicFromStart();
    if (sound == nullptr)
        std::fputs("quen-capture: no music could be opened; the video is silent\n", stderr);

    VideoSettings settings;
    settings.width = first.width;
    settings.height = first.height;
    settings.fps = job.fps;
    settings.scale = job.scale;
    settings.container = job.container;
    settings.soundRate = sound != nullptr ? sound->Rate() : 0;
    settings.verbose = job.verbose;
    settings.forUpload = job.forUpload;

    VideoExpectation expected;
    expected.frames = job.frames;
    expected.fps = job.fps;
    expected.width = first.width * job.scale;
    expected.height = first.height * job.scale;
    expected.sound = sound != nullptr;
    const bool hashFrames = job.check && job.container == Container::Mkv;
    if (hashFrames)
        expected.hashes.reserve(job.frames);

    PendingFile pending(job.file);
    ::close(pending.TakeDescriptor()); // ffmpeg opens it by name
    settings.output = pending.TempPath();
    std::optional<FfmpegLog> log;
    if (!job.verbose)
        log.emplace();
    FfmpegProcess ffmpeg(job.ffmpeg, FfmpegArguments(settings), sound != nullptr,
                         log ? log->Descriptor() : -1);
    if (log)
        log->Started();
    if (sound != nullptr)
        ffmpeg.StartSound(std::move(sound), SoundFrames(job.frames, job.fps, settings.soundRate));
    // One worker keeps the frames in order while ffmpeg encodes in parallel with rendering.
    FramePipeline pipeline(first.width, first.height, 1, 4,
                           [&](const FrameImage& frame, std::size_t)
                           {
                               if (hashFrames)
                                   expected.hashes.push_back(FrameHash(frame, job.scale));
                               if (!ffmpeg.WriteFrame(frame.pixels.data(),
                                                      frame.pixels.size() * sizeof(std::uint32_t)))
                                   throw StoppedReading{};
                           });

    ProgressMeter progress = ProgressMeter::ForStderr(job.frames);
    progress.WatchWaiting([&] { return pipeline.WaitedSeconds(); });
    bool allSent = true;
    try
    {
        RenderFrames(
            session, job.frames,
            [&](std::size_t i) { return VideoFrameTime(std::uint32_t(i), job.fps); }, pipeline,
            progress);
        pipeline.Finish();
    }
    catch (const StoppedReading&)
    {
        allSent = false;
    }
    catch (...)
    {
        ffmpeg.Stop(); // before the pipeline's writer, perhaps waiting for ffmpeg, is joined
        throw;
    }
    const int status = ffmpeg.Finish(pending.TempPath(), log ? &*log : nullptr, job.stallSeconds);
    ThrowIfInterrupted();
    if (ffmpeg.Stalled())
    {
        char limit[32];
        std::snprintf(limit, sizeof limit, "%g", job.stallSeconds);
        throw CaptureError("ffmpeg wrote nothing for " + std::string(limit) +
                           " s after the last frame and was stopped; nothing was written to " +
                           job.path.string());
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw CaptureError(
            DescribeFfmpegFailure(job.path, status, log ? log->Text() : "",
                                  log ? WhereMessages(*log) : "ffmpeg's messages above"));
    if (!allSent)
        throw CaptureError("ffmpeg stopped reading frames before the end of " + job.path.string());
    progress.Finish();
    if (job.check)
    {
        const std::string wrong = CheckVideo(pending.TempPath(), expected, *ffprobe, job.ffmpeg);
        ThrowIfInterrupted();
        if (!wrong.empty())
        {
            const std::filesystem::path failed = FailedCheckName(job.file);
            pending.CommitAs(failed);
            throw CaptureError("the check of " + job.path.string() + " failed: " + wrong +
                               "; the video is kept as " + failed.string());
        }
    }
    pending.Commit();
}

int RunCapture(const std::vector<std::string_view>& args)
{
    try
    {
        CaptureOptions options = ParseArguments(args);
        // The installed command's launcher names the installed pictures and music here.
        const char* installed = std::getenv("QUEN_CAPTURE_ASSETS");
        std::optional<std::filesystem::path> defaultAssets;
        if (installed != nullptr && *installed != '\0')
            defaultAssets = installed;
        if (options.mode == CaptureMode::Help)
        {
            std::fputs(HelpText(defaultAssets).c_str(), stdout);
            return ExitSuccess;
        }
        if (options.mode == CaptureMode::Version)
        {
            std::fputs("quen-capture " QUEN_VERSION "\n", stdout);
            return ExitSuccess;
        }
        // Paths are taken from the folder the command runs in, before --assets.
        if (options.timesFile)
            options.times = ParseTimeFile(ReadTimesFile(*options.timesFile));
        CatchTerminatingSignals();
        const std::optional<std::filesystem::path> assets =
            options.assetsDir ? options.assetsDir : defaultAssets;
        const std::filesystem::path outPath =
            CleanPath(options.mode == CaptureMode::Stills ? options.outDir : options.videoFile);
        std::optional<std::filesystem::path> ffmpeg;
        if (options.mode == CaptureMode::Video)
        {
            ffmpeg = FindProgram("ffmpeg");
            if (!ffmpeg)
                throw CaptureError(
                    "ffmpeg not found on PATH; install it with: apt-get install ffmpeg");
        }
        // The show's files before any output: a run that cannot render makes nothing.
        const std::filesystem::path assetsShown =
            CleanPath(assets ? *assets : std::filesystem::path("."));
        if (assets)
            EnterAssetsFolder(*assets);
        RequireShowFiles(assetsShown);

        if (options.mode == CaptureMode::Stills)
        {
            const std::filesystem::path& outDir = outPath;
            MadeFolders made;
            const std::string links = PrepareStills(options.times, outDir, made);
            CaptureStills(options.times, outDir);
            made.Keep();
            const std::size_t pictures =
                std::unordered_set<std::uint32_t>(options.times.begin(), options.times.end())
                    .size();
            std::printf("quen-capture: wrote %zu picture%s to %s%s\n", pictures,
                        pictures == 1 ? "" : "s", text::Printable(outDir.string()).c_str(),
                        links.empty() ? "" : text::Printable(" (" + links.substr(2) + ")").c_str());
            return ExitSuccess;
        }

        VideoJob job;
        job.path = outPath;
        job.file = ResolveOutputFile(job.path);
        job.ffmpeg = *ffmpeg;
        job.container = options.container;
        job.fps = options.fps;
        job.frames = VideoFrameCount(options.fps, options.seconds);
        job.scale = options.scale;
        job.verbose = options.verbose;
        job.forUpload = options.forUpload;
        job.check = options.check;
        CaptureVideo(job);
        std::printf("quen-capture: wrote %s%s (%u frames, %s%s)\n",
                    text::Printable(job.path.string()).c_str(),
                    job.file == job.path
                        ? ""
                        : text::Printable(" through its link to " + job.file.string()).c_str(),
                    job.frames, Megabytes(job.file).c_str(),
                    job.check ? ", checked" : "; not checked (--no-check)");
        return ExitSuccess;
    }
    catch (const std::exception& failure)
    {
        // After a signal, whatever failed on the way out is a consequence of it.
        if (const int signal = CaughtSignal(); signal != 0)
        {
            std::fprintf(stderr, "quen-capture: stopped by %s; no unfinished file is left behind\n",
                         SignalName(signal).c_str());
            return 128 + signal;
        }
        const bool memory = dynamic_cast<const std::bad_alloc*>(&failure) != nullptr;
        std::fprintf(stderr, "quen-capture: %s\n",
                     memory ? "not enough memory" : text::Printable(failure.what()).c_str());
        return ExitFailure;
    }
}

} // namespace capture
