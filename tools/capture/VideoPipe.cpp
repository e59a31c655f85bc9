#include "tools/capture/VideoPipe.h"

#include "platform/music/MusicDecoder.h"
#include "tools/capture/CaptureError.h"
#include "tools/capture/Signals.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace capture
{

namespace
{

// ffmpeg reads "file:" names literally, whatever characters they hold.
std::string FileUrl(const std::filesystem::path& path)
{
    return "file:" + std::filesystem::absolute(path).string();
}

// Writes all of `bytes` to a non-blocking pipe. False if the reader has gone (EPIPE) or was
// stopped (`stopped` became readable): a stuck reader never holds the writer. Throws after a
// signal, whose handler has already stopped ffmpeg, and for any other error.
bool WriteAll(int descriptor, const void* data, std::size_t bytes, int stopped)
{
    const auto* next = static_cast<const char*>(data);
    while (bytes > 0)
    {
        if (CaughtSignal() != 0)
            throw CaptureError("interrupted");
        const ssize_t written = ::write(descriptor, next, bytes);
        if (written >= 0)
        {
            next += written;
            bytes -= std::size_t(written);
            continue;
        }
        if (errno == EPIPE)
            return false;
        if (errno != EAGAIN && errno != EINTR)
            throw CaptureError(std::string("cannot send to ffmpeg: ") + std::strerror(errno));
        pollfd wait[2] = {{descriptor, POLLOUT, 0}, {stopped, POLLIN, 0}};
        if (::poll(wait, 2, -1) > 0 && wait[1].revents != 0)
            return false;
    }
    return true;
}

// A copy of `descriptor` numbered 10 or above, closed on exec: the child's dup2 calls onto
// 0 to 3 then never overwrite a descriptor they still need.
int HighCopy(int descriptor)
{
    const int copy = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 10);
    if (copy < 0)
        throw CaptureError(std::string("cannot start ffmpeg: ") + std::strerror(errno));
    return copy;
}

void Close(int& descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

} // namespace

std::optional<std::filesystem::path> FindProgram(std::string_view name)
{
    const char* path = std::getenv("PATH");
    const std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size())
    {
        std::size_t end = folders.find(':', start);
        if (end == std::string_view::npos)
            end = folders.size();
        const std::string_view folder = folders.substr(start, end - start);
        // An empty entry means the current folder.
        const std::filesystem::path candidate =
            std::filesystem::path(folder.empty() ? "." : folder) / name;
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return std::filesystem::absolute(candidate);
        start = end + 1;
    }
    return std::nullopt;
}

std::vector<std::string> FfmpegArguments(const VideoSettings& settings)
{
    // A frame word 0x00RRGGBB lies in memory as B, G, R, unused on little-endian machines.
    const char* pixelFormat = std::endian::native == std::endian::little ? "bgr0" : "0rgb";
    const std::string size = std::to_string(settings.width) + "x" + std::to_string(settings.height);
    const bool sound = settings.soundRate > 0;

    std::vector<std::string> args = {"ffmpeg",    "-hide_banner",
                                     "-nostdin",  "-nostats",
                                     "-loglevel", settings.verbose ? "info" : "error",
                                     "-y"};
    // Input 0: the frames. Input 1: the sound the show decoded, already looped to the length.
    args.insert(args.end(), {"-f", "rawvideo", "-pixel_format", pixelFormat, "-video_size", size,
                             "-framerate", std::to_string(settings.fps), "-i", "pipe:0"});
    if (sound)
        args.insert(args.end(), {"-f", "s16le", "-ar", std::to_string(settings.soundRate), "-ac",
                                 "2", "-i", "pipe:3"});
    args.insert(args.end(), {"-map", "0:v:0"});
    if (sound)
        args.insert(args.end(), {"-map", "1:a:0"});
    const bool lossless = settings.container == Container::Mkv;
    std::string filter;
    if (settings.scale > 1)
    {
        // Nearest neighbour: every pixel becomes a sharp square. For the YUV kinds the same
        // step converts the colours, at the frame's own size before enlarging, so that a block's
        // luma is exact and an even scale keeps its colour whole at half size.
        const std::string factor = std::to_string(settings.scale);
        filter = "scale=iw*" + factor + ":ih*" + factor + ":flags=neighbor";
        if (lossless)
            filter += std::string(",format=") + pixelFormat;
    }
    if (settings.forUpload)
    {
        // BT.709 colours in studio range, as sites expect of HD and larger, converted and tagged.
        filter +=
            std::string(filter.empty() ? "scale=" : ":") + "out_color_matrix=bt709:out_range=tv";
        args.insert(args.end(), {"-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc",
                                 "bt709", "-color_range", "tv"});
    }
    if (!filter.empty())
        args.insert(args.end(), {"-vf", filter});
    switch (settings.container)
    {
        case Container::Mp4:
            if (settings.forUpload)
            {
                // What video sites advise: a closed GOP of half a second (no scene cuts
                // between), AAC-LC at 48 kHz and 384 kb/s. x264's ultrafast preset at CRF 18
                // keeps the picture closer to the exact enlargement (RGB PSNR 44.3 and 38.7 dB
                // on the wipe and the warp) than superfast at CRF 16 did after a separate
                // enlargement (43.8 and 38.3 dB), at a quarter to a third of the processor
                // time, in a file 1.5 to 2 times as large; CRF 20 falls below it.
                args.insert(args.end(), {"-c:v", "libx264", "-preset", "ultrafast", "-crf", "18",
                                         "-pix_fmt", "yuv420p", "-g", "30", "-keyint_min", "30",
                                         "-sc_threshold", "0", "-flags", "+cgop", "-r", "60"});
                if (sound)
                    args.insert(args.end(), {"-c:a", "aac", "-profile:a", "aac_low", "-b:a", "384k",
                                             "-ar", "48000"});
            }
            else
            {
                // x264's ultrafast preset at CRF 15 keeps the picture closer to the frames than
                // superfast at CRF 16 (RGB PSNR 38.1, 31.0 and 39.1 dB against 37.9, 29.8 and
                // 38.9 on the wipe, the warp and the blobs) in 50 to 75% of the processor
                // time, in a file about twice as large.
                args.insert(args.end(), {"-c:v", "libx264", "-preset", "ultrafast", "-crf", "15",
                                         "-pix_fmt", "yuv420p"});
                if (sound)
                    args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k"});
            }
            args.insert(args.end(), {"-movflags", "+faststart", "-f", "mp4"});
            break;
        case Container::WebM:
            // libvpx's realtime mode at speed 6 and CRF 28: the quality of its good mode at
            // CRF 32, in a smaller file, at more than twice the speed.
            args.insert(args.end(),
                        {"-c:v", "libvpx-vp9", "-crf", "28", "-b:v", "0", "-deadline", "realtime",
                         "-cpu-used", "6", "-row-mt", "1", "-pix_fmt", "yuv420p"});
            if (sound)
                args.insert(args.end(), {"-c:a", "libopus", "-b:a", "160k"});
            args.insert(args.end(), {"-f", "webm"});
            break;
        case Container::Mkv:
            // Lossless: x264 on the frames' own RGB at quantiser 0, every pixel exact; at its
            // superfast preset 2.4 times as fast as FFV1 in a file a fifth of the size.
            args.insert(args.end(), {"-c:v", "libx264rgb", "-qp", "0", "-preset", "superfast",
                                     "-pix_fmt", pixelFormat});
            if (sound)
                args.insert(args.end(), {"-c:a", "flac"});
            args.insert(args.end(), {"-f", "matroska"});
            break;
    }
    args.push_back(FileUrl(settings.output));
    return args;
}

std::uint64_t SoundFrames(std::uint32_t frames, int fps, int rate)
{
    const std::uint64_t scaled = std::uint64_t{frames} * std::uint64_t(rate);
    return (2 * scaled + std::uint64_t(fps)) / (2 * std::uint64_t(fps));
}

std::string DescribeExit(int waitStatus)
{
    if (WIFEXITED(waitStatus))
        return "exit status " + std::to_string(WEXITSTATUS(waitStatus));
    if (WIFSIGNALED(waitStatus))
        return "signal " + std::to_string(WTERMSIG(waitStatus)) + " (" +
               SignalName(WTERMSIG(waitStatus)) + ")";
    return "status " + std::to_string(waitStatus);
}

FfmpegProcess::FfmpegProcess(const std::filesystem::path& program,
                             const std::vector<std::string>& arguments, bool withSound,
                             int messages)
{
    int video[2] = {-1, -1}, sound[2] = {-1, -1}, exec[2] = {-1, -1};
    if (::pipe2(video, O_CLOEXEC) != 0 || (withSound && ::pipe2(sound, O_CLOEXEC) != 0) ||
        ::pipe2(exec, O_CLOEXEC) != 0)
    {
        const int error = errno;
        for (int fd : {video[0], video[1], sound[0], sound[1], exec[0], exec[1]})
            Close(fd);
        throw CaptureError(std::string("cannot make pipes to ffmpeg: ") + std::strerror(error));
    }
    int childVideo = HighCopy(video[0]), childSound = withSound ? HighCopy(sound[0]) : -1;
    int childMessages = messages >= 0 ? HighCopy(messages) : -1;
    Close(video[0]);
    Close(sound[0]);
    video_ = video[1];
    sound_ = sound[1];
    stopped_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    for (int fd : {video_, sound_})
    {
        if (fd >= 0)
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    // A frame is megabytes: a pipe as large as the system allows (1 MiB unless raised) takes
    // it in fewer, longer writes and reads. Where it refuses, the usual 64 KiB serve.
    ::fcntl(video_, F_SETPIPE_SZ, 1 << 20);

    std::vector<char*> argv;
    for (const std::string& arg : arguments)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0)
    {
        // Only async-signal-safe calls between fork and exec.
        ::setpgid(0, 0);
        TieChildToTool(parent);
        ::dup2(childVideo, STDIN_FILENO);
        if (childSound >= 0)
            ::dup2(childSound, 3);
        const int out = childMessages >= 0 ? childMessages : STDERR_FILENO;
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        ::execv(program.c_str(), argv.data());
        const int error = errno;
        [[maybe_unused]] const ssize_t ignored = ::write(exec[1], &error, sizeof error);
        ::_exit(127);
    }
    const int forkError = errno;
    if (child > 0)
        SetChildToStop(child, stopped_);
    Close(childVideo);
    Close(childSound);
    Close(childMessages);
    Close(exec[1]);
    if (child < 0)
    {
        Close(exec[0]);
        throw CaptureError(std::string("cannot start ffmpeg: ") + std::strerror(forkError));
    }
    child_ = child;
    // The exec pipe closes at a successful exec; otherwise it brings the reason.
    int execError = 0;
    ssize_t got;
    while ((got = ::read(exec[0], &execError, sizeof execError)) < 0 && errno == EINTR)
    {
    }
    Close(exec[0]);
    if (got == sizeof execError)
    {
        WaitForExit();
        for (int* fd : {&video_, &sound_, &stopped_})
            Close(*fd);
        throw CaptureError("cannot start " + program.string() + ": " + std::strerror(execError));
    }
}

FfmpegProcess::~FfmpegProcess()
{
    Stop();
    Close(video_);
    if (soundThread_.joinable())
        soundThread_.join();
    Close(sound_);
    if (child_ > 0)
        WaitForExit();
    Close(stopped_);
}

void FfmpegProcess::Stop()
{
    if (child_ > 0)
        ::kill(child_, SIGKILL);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(stopped_, &one, sizeof one);
}

bool FfmpegProcess::WriteFrame(const void* pixels, std::size_t bytes)
{
    return WriteAll(video_, pixels, bytes, stopped_);
}

void FfmpegProcess::StartSound(std::unique_ptr<music::Player> player, std::uint64_t frames)
{
    soundThread_ = std::thread(
        [this, player = std::move(player), frames]
        {
            std::vector<std::int16_t> chunk(2 * 4096);
            try
            {
                for (std::uint64_t left = frames; left > 0;)
                {
                    const std::size_t n = std::size_t(std::min<std::uint64_t>(left, 4096));
                    player->Read(chunk.data(), n);
                    if (!WriteAll(sound_, chunk.data(), n * 4, stopped_))
                        break; // ffmpeg has stopped; its status tells why
                    left -= n;
                }
            }
            catch (const CaptureError&)
            {
                // Interrupted: the frames' side reports it.
            }
            Close(sound_);
        });
}

int FfmpegProcess::Finish(const std::filesystem::path& output, const FfmpegLog* log,
                          double stallSeconds)
{
    Close(video_);
    // Progress is any change of the output's size or time of change, or more messages.
    struct Mark
    {
        std::uint64_t bytes = 0, messages = 0;
        std::int64_t changed = 0;
        bool operator==(const Mark&) const = default;
    };
    auto markNow = [&]
    {
        Mark mark;
        struct stat info;
        if (::stat(output.c_str(), &info) == 0)
        {
            mark.bytes = std::uint64_t(info.st_size);
            mark.changed = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        }
        mark.messages = log != nullptr ? log->Size() : 0;
        return mark;
    };
    Mark last = markNow();
    // The sound may still be on its way: it ends when ffmpeg has read it, or is stopped.
    const int status = WaitForExit(
        [&]
        {
            const Mark now = markNow();
            const bool moved = !(now == last);
            last = now;
            return moved;
        },
        stallSeconds);
    if (soundThread_.joinable())
        soundThread_.join();
    return status;
}

int FfmpegProcess::WaitForExit(const std::function<bool()>& progressed, double stallSeconds)
{
    // Waits without reaping, so that the handler's kill can never reach a recycled process id.
    using Clock = std::chrono::steady_clock;
    auto lastProgress = Clock::now();
    siginfo_t info;
    while (true)
    {
        info.si_pid = 0;
        const int waited =
            ::waitid(P_PID, id_t(child_), &info, WEXITED | WNOWAIT | (progressed ? WNOHANG : 0));
        if (waited == 0 && info.si_pid != 0)
            break;
        if (waited != 0 && errno != EINTR)
            break;
        if (CaughtSignal() != 0)
            ::kill(child_, SIGKILL);
        if (!progressed)
            continue;
        if (progressed())
            lastProgress = Clock::now();
        else if (!stalled_ &&
                 std::chrono::duration<double>(Clock::now() - lastProgress).count() >= stallSeconds)
        {
            // ffmpeg leads a process group of its own: whatever it started goes with it.
            stalled_ = true;
            ::kill(-child_, SIGKILL);
            Stop();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    SetChildToStop(0, -1);
    if (stalled_)
        ::kill(-child_, SIGKILL); // its children, still in the group while it is unreaped
    int status = 0;
    while (::waitpid(child_, &status, 0) < 0 && errno == EINTR)
    {
    }
    child_ = -1;
    return status;
}

namespace
{

// The folder for ffmpeg's log: $TMPDIR when it names a folder by an absolute path, else /tmp.
std::string LogFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && folder[0] == '/' ? folder : "/tmp";
}

constexpr std::size_t LogTail = 64 * 1024;

} // namespace

FfmpegLog::FfmpegLog()
{
    std::string name = LogFolder() + "/quen-capture-ffmpeg-XXXXXX.log";
    descriptor_ = ::mkostemps(name.data(), 4, O_CLOEXEC | O_APPEND);
    if (descriptor_ >= 0)
    {
        path_ = name;
        return;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        throw CaptureError(std::string("cannot make a pipe for ffmpeg's messages: ") +
                           std::strerror(errno));
    descriptor_ = ends[1];
    ::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);
    try
    {
        reader_ = std::thread([this, from = ends[0]] { ReadPipe(from); });
    }
    catch (...)
    {
        for (int fd : ends)
            ::close(fd);
        throw;
    }
}

FfmpegLog::~FfmpegLog()
{
    stop_ = true;
    if (reader_.joinable())
        reader_.join();
    if (descriptor_ >= 0)
        ::close(descriptor_);
    if (!keep_ && !path_.empty())
        ::unlink(path_.c_str());
}

void FfmpegLog::Started()
{
    if (path_.empty() && descriptor_ >= 0)
    {
        ::close(descriptor_);
        descriptor_ = -1;
    }
}

void FfmpegLog::ReadPipe(int from)
{
    char buffer[4096];
    while (true)
    {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got > 0)
        {
            std::lock_guard lock(mutex_);
            kept_.append(buffer, std::size_t(got));
            if (kept_.size() > 2 * LogTail)
                kept_.erase(0, kept_.size() - LogTail);
            received_ += std::uint64_t(got);
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EINTR))
            break; // every writer has closed it
        if (stop_)
            break; // asked to stop, and nothing more waiting
        pollfd wait = {from, POLLIN, 0};
        ::poll(&wait, 1, 50);
    }
    ::close(from);
}

std::string FfmpegLog::Text()
{
    if (path_.empty())
    {
        stop_ = true;
        if (reader_.joinable())
            reader_.join();
        std::lock_guard lock(mutex_);
        return kept_.size() > LogTail ? kept_.substr(kept_.size() - LogTail) : kept_;
    }
    const off_t size = ::lseek(descriptor_, 0, SEEK_END);
    std::string text(std::size_t(std::clamp<off_t>(size, 0, off_t(LogTail))), '\0');
    const ssize_t got = ::pread(descriptor_, text.data(), text.size(), size - off_t(text.size()));
    text.resize(std::size_t(std::max<ssize_t>(got, 0)));
    return text;
}

std::uint64_t FfmpegLog::Size() const
{
    if (path_.empty())
        return received_;
    struct stat info;
    return ::fstat(descriptor_, &info) == 0 ? std::uint64_t(info.st_size) : 0;
}

std::string WhereMessages(FfmpegLog& log)
{
    if (!log.Path().empty())
    {
        log.Keep();
        return "ffmpeg's messages are in " + log.Path().string();
    }
    // The last line with anything in it, cut short.
    const std::string text = log.Text();
    std::size_t end = text.find_last_not_of("\r\n \t");
    if (end == std::string::npos)
        return "ffmpeg printed nothing";
    const std::size_t start = text.find_last_of("\r\n", end);
    std::string line = text.substr(start == std::string::npos ? 0 : start + 1,
                                   end + 1 - (start == std::string::npos ? 0 : start + 1));
    if (line.size() > 200)
        line = line.substr(0, 200) + "...";
    return "ffmpeg's last message: " + line;
}

std::string DescribeFfmpegFailure(const std::filesystem::path& output, int waitStatus,
                                  const std::string& messages, const std::string& whereMessages)
{
    // The system's words for the failures a user can do something about, as ffmpeg prints them.
    const int causes[] = {ENOSPC, EDQUOT, EACCES, EPERM, EROFS, EFBIG, EIO, ENOENT};
    for (int cause : causes)
    {
        if (messages.find(std::strerror(cause)) != std::string::npos)
            return "cannot write " + output.string() + ": " + std::strerror(cause) + " (" +
                   whereMessages + ")";
    }
    return "ffmpeg could not make " + output.string() + " (" + DescribeExit(waitStatus) + "; " +
           whereMessages + ")";
}

} // namespace capture
