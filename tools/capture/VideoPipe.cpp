#include "tools/capture/VideoPipe.h"

#include "tools/capture/CaptureError.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace capture
{

namespace
{

std::string SystemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// ffmpeg reads "file:" names literally, whatever characters they hold.
std::string FileUrl(const std::filesystem::path& path)
{
    return "file:" + std::filesystem::absolute(path).string();
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
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.6f",
                  static_cast<double>(settings.frames) / settings.fps);

    const std::string size = std::to_string(settings.width) + "x" + std::to_string(settings.height);

    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y"};
    // Input 0: the frames.
    args.insert(args.end(), {"-f", "rawvideo", "-pixel_format", pixelFormat, "-video_size", size,
                             "-framerate", std::to_string(settings.fps), "-i", "pipe:0"});
    if (settings.music)
    {
        // Input 1: the music, repeated without end and cut to the video's length.
        args.insert(args.end(),
                    {"-stream_loop", "-1", "-t", duration, "-i", FileUrl(*settings.music)});
    }
    args.insert(args.end(), {"-map", "0:v:0", "-c:v", "libx264", "-preset", "medium", "-crf", "18",
                             "-pix_fmt", "yuv420p"});
    if (settings.music)
        args.insert(args.end(), {"-map", "1:a:0", "-c:a", "aac", "-b:a", "192k"});
    args.insert(args.end(), {"-movflags", "+faststart", "-f", "mp4", FileUrl(settings.output)});
    return args;
}

std::string DescribeExit(int waitStatus)
{
    if (WIFEXITED(waitStatus))
        return "exit status " + std::to_string(WEXITSTATUS(waitStatus));
    if (WIFSIGNALED(waitStatus))
        return "signal " + std::to_string(WTERMSIG(waitStatus));
    return "status " + std::to_string(waitStatus);
}

FfmpegPipe::FfmpegPipe(const std::filesystem::path& program,
                       const std::vector<std::string>& arguments)
{
    // A write to a pipe whose reader has gone must fail with EPIPE, not kill the tool.
    std::signal(SIGPIPE, SIG_IGN);

    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        throw CaptureError(SystemError("cannot make a pipe to ffmpeg"));

    std::vector<char*> argv;
    for (const std::string& arg : arguments)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    // The child reads the pipe as its standard input; the duplicate drops O_CLOEXEC.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
    // A process group of its own: Ctrl-C on the terminal reaches only the tool, which then
    // stops ffmpeg and removes the unfinished video itself.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const int spawned =
        ::posix_spawn(&child_, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[0]);
    if (spawned != 0)
    {
        ::close(ends[1]);
        child_ = -1;
        throw CaptureError("cannot start " + program.string() + ": " + std::strerror(spawned));
    }
    input_ = ends[1];
}

FfmpegPipe::~FfmpegPipe()
{
    if (input_ >= 0)
        ::close(input_);
    if (child_ > 0)
    {
        ::kill(child_, SIGKILL);
        int status = 0;
        while (::waitpid(child_, &status, 0) < 0 && errno == EINTR)
        {
        }
    }
}

void FfmpegPipe::Write(const FrameImage& frame)
{
    const auto* bytes = reinterpret_cast<const char*>(frame.pixels.data());
    std::size_t left = frame.pixels.size() * sizeof(std::uint32_t);
    while (left > 0)
    {
        const ssize_t written = ::write(input_, bytes, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EPIPE)
        {
            // ffmpeg has stopped reading: it failed, and its status says how.
            ::close(input_);
            input_ = -1;
            Reap();
            throw CaptureError("ffmpeg stopped reading frames before the end");
        }
        if (written < 0)
            throw CaptureError(SystemError("cannot send a frame to ffmpeg"));
        bytes += written;
        left -= static_cast<std::size_t>(written);
    }
}

void FfmpegPipe::Finish()
{
    if (input_ >= 0)
    {
        ::close(input_);
        input_ = -1;
    }
    Reap();
}

void FfmpegPipe::Reap()
{
    int status = 0;
    pid_t done;
    while ((done = ::waitpid(child_, &status, 0)) < 0 && errno == EINTR)
    {
    }
    child_ = -1;
    if (done < 0)
        throw CaptureError(SystemError("cannot wait for ffmpeg"));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw CaptureError("ffmpeg failed with " + DescribeExit(status));
}

} // namespace capture
