#include "tools/capture/VideoCheck.h"

#include "tools/capture/CaptureError.h"
#include "tools/capture/Signals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>

namespace capture
{

namespace
{

constexpr std::uint64_t Mix1 = 0x9E3779B97F4A7C15ULL, Mix2 = 0xC2B2AE3D27D4EB4FULL;

// A 64-bit hash of a row of bytes, eight at a time.
std::uint64_t RowHash(const unsigned char* bytes, std::size_t count)
{
    std::uint64_t hash = count * Mix1;
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8)
    {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        hash = (hash ^ (word * Mix2)) * Mix1;
        hash ^= hash >> 29;
    }
    for (; i < count; ++i)
        hash = (hash ^ bytes[i]) * Mix2;
    return hash;
}

std::uint64_t AddRow(std::uint64_t frame, std::uint64_t row)
{
    frame = (frame ^ row) * Mix2;
    return frame ^ (frame >> 31);
}

// Runs `args` (program first) with its standard output to `consume`, in pieces as they come,
// and its messages to nowhere. Returns its wait status. The program dies with the tool, and a
// signal to the tool stops it.
int RunReading(const std::vector<std::string>& args,
               const std::function<void(const char*, std::size_t)>& consume)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw CaptureError(std::string("cannot check the video: ") + std::strerror(errno));
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0)
    {
        TieChildToTool(parent);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    const int forkError = errno;
    ::close(out[1]);
    if (child < 0)
    {
        ::close(out[0]);
        throw CaptureError(std::string("cannot check the video: ") + std::strerror(forkError));
    }
    SetChildToStop(child, -1);
    std::vector<char> buffer(1 << 16);
    bool failed = false;
    while (true)
    {
        const ssize_t got = ::read(out[0], buffer.data(), buffer.size());
        if (got > 0)
        {
            try
            {
                consume(buffer.data(), std::size_t(got));
            }
            catch (...)
            {
                failed = true;
                ::kill(child, SIGKILL);
                break;
            }
            continue;
        }
        if (got < 0 && errno == EINTR && CaughtSignal() == 0)
            continue;
        break;
    }
    ::close(out[0]);
    siginfo_t info;
    while (::waitid(P_PID, id_t(child), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR)
    {
    }
    SetChildToStop(0, -1);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR)
    {
    }
    if (CaughtSignal() != 0)
        throw CaptureError("interrupted");
    if (failed)
        throw CaptureError("cannot check the video: out of memory");
    return status;
}

bool Succeeded(int status)
{
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One "key=value|key=value" line of ffprobe's compact output, by key.
std::map<std::string, std::string> Fields(const std::string& line)
{
    std::map<std::string, std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '|');)
    {
        const std::size_t equals = field.find('=');
        if (equals != std::string::npos)
            fields[field.substr(0, equals)] = field.substr(equals + 1);
    }
    return fields;
}

double Number(const std::map<std::string, std::string>& fields, const std::string& key)
{
    const auto found = fields.find(key);
    if (found == fields.end())
        return NAN;
    char* end = nullptr;
    const double value = std::strtod(found->second.c_str(), &end);
    return end != found->second.c_str() ? value : NAN;
}

std::string Seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", value);
    return text;
}

// What ffprobe finds in each stream: its kind and size, and its packets' count and extent.
struct StreamSeen
{
    std::string kind;
    int width = 0, height = 0;
    std::string rate;
    std::size_t packets = 0;
    double end = 0;     // of the last packet: its time plus its length
    double longest = 0; // the longest packet: one audio frame
};

// Frames, rate, length and sound from the file's packets, read without decoding.
std::string CheckStreams(const std::filesystem::path& file, const VideoExpectation& expected,
                         const std::filesystem::path& ffprobe)
{
    std::string text;
    const int status = RunReading(
        {ffprobe.string(), "-v", "error", "-show_entries",
         "stream=index,codec_type,width,height,r_frame_rate:packet=stream_index,pts_time,"
         "duration_time",
         "-of", "compact=p=1:nk=0", "file:" + file.string()},
        [&](const char* bytes, std::size_t count) { text.append(bytes, count); });
    if (!Succeeded(status))
        return "ffprobe cannot read it";
    std::map<int, StreamSeen> streams;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
    {
        const auto fields = Fields(line);
        if (line.starts_with("stream|"))
        {
            StreamSeen& stream = streams[int(Number(fields, "index"))];
            stream.kind = fields.count("codec_type") ? fields.at("codec_type") : "";
            stream.width = int(Number(fields, "width"));
            stream.height = int(Number(fields, "height"));
            stream.rate = fields.count("r_frame_rate") ? fields.at("r_frame_rate") : "";
        }
        else if (line.starts_with("packet|"))
        {
            StreamSeen& stream = streams[int(Number(fields, "stream_index"))];
            const double time = Number(fields, "pts_time"),
                         length = Number(fields, "duration_time");
            ++stream.packets;
            if (!std::isnan(time))
                stream.end = std::max(stream.end, time + (std::isnan(length) ? 0 : length));
            if (!std::isnan(length))
                stream.longest = std::max(stream.longest, length);
        }
    }
    const StreamSeen* video = nullptr;
    const StreamSeen* sound = nullptr;
    for (const auto& [index, stream] : streams)
    {
        if (stream.kind == "video" && video == nullptr)
            video = &stream;
        if (stream.kind == "audio" && sound == nullptr)
            sound = &stream;
    }
    if (video == nullptr)
        return "it holds no picture";
    if (video->width != expected.width || video->height != expected.height)
        return "its picture is " + std::to_string(video->width) + "x" +
               std::to_string(video->height) + ", not " + std::to_string(expected.width) + "x" +
               std::to_string(expected.height);
    if (video->packets != expected.frames)
        return std::to_string(video->packets) + " frames, not " + std::to_string(expected.frames);
    if (video->rate != std::to_string(expected.fps) + "/1")
        return "a rate of " + video->rate + " frames per second, not " +
               std::to_string(expected.fps);
    const double length = double(expected.frames) / expected.fps;
    if (std::abs(video->end - length) > 0.5 / expected.fps)
        return "its picture lasts " + Seconds(video->end) + ", not " + Seconds(length);
    if (expected.sound != (sound != nullptr))
        return expected.sound ? "it has no sound" : "it has sound it should not have";
    if (sound != nullptr && std::abs(sound->end - video->end) > sound->longest + 1e-6)
        return "its sound lasts " + Seconds(sound->end) + ", its picture " + Seconds(video->end);
    return {};
}

// Every frame's pixels, decoded to RGB, against the hashes of the frames sent.
std::string CheckPixels(const std::filesystem::path& file, const VideoExpectation& expected,
                        const std::filesystem::path& ffmpeg)
{
    const std::size_t rowBytes = std::size_t(expected.width) * 3;
    const std::size_t frameBytes = rowBytes * std::size_t(expected.height);
    std::vector<unsigned char> frame(frameBytes);
    std::size_t filled = 0, decoded = 0;
    std::string wrong;
    const int status = RunReading(
        {ffmpeg.string(), "-nostdin", "-v", "error", "-i", "file:" + file.string(), "-map", "0:v:0",
         "-f", "rawvideo", "-pix_fmt", "rgb24", "pipe:1"},
        [&](const char* bytes, std::size_t count)
        {
            while (count > 0)
            {
                const std::size_t take = std::min(count, frameBytes - filled);
                std::memcpy(frame.data() + filled, bytes, take);
                filled += take;
                bytes += take;
                count -= take;
                if (filled < frameBytes)
                    return;
                filled = 0;
                if (wrong.empty() &&
                    (decoded >= expected.hashes.size() ||
                     RgbHash(frame.data(), rowBytes, std::size_t(expected.height)) !=
                         expected.hashes[decoded]))
                    wrong = "frame " + std::to_string(decoded) + " differs from the one rendered";
                ++decoded;
            }
        });
    if (!Succeeded(status))
        return "ffmpeg cannot decode it";
    if (!wrong.empty())
        return wrong;
    if (decoded != expected.hashes.size())
        return std::to_string(decoded) + " frames decoded, not " +
               std::to_string(expected.hashes.size());
    return {};
}

} // namespace

std::uint64_t FrameHash(const FrameImage& frame, int scale)
{
    const std::size_t width = std::size_t(frame.width), wide = width * std::size_t(scale);
    std::vector<unsigned char> row(wide * 3);
    std::uint64_t hash = 0;
    for (std::size_t y = 0; y < std::size_t(frame.height); ++y)
    {
        const std::uint32_t* pixel = frame.pixels.data() + y * width;
        unsigned char* out = row.data();
        for (std::size_t x = 0; x < width; ++x)
        {
            const unsigned char rgb[3] = {static_cast<unsigned char>(pixel[x] >> 16),
                                          static_cast<unsigned char>(pixel[x] >> 8),
                                          static_cast<unsigned char>(pixel[x])};
            for (int copy = 0; copy < scale; ++copy, out += 3)
                std::memcpy(out, rgb, 3);
        }
        const std::uint64_t rowHash = RowHash(row.data(), row.size());
        for (int copy = 0; copy < scale; ++copy)
            hash = AddRow(hash, rowHash);
    }
    return hash;
}

std::uint64_t RgbHash(const unsigned char* rgb, std::size_t rowBytes, std::size_t rows)
{
    std::uint64_t hash = 0;
    for (std::size_t y = 0; y < rows; ++y)
        hash = AddRow(hash, RowHash(rgb + y * rowBytes, rowBytes));
    return hash;
}

std::string CheckVideo(const std::filesystem::path& file, const VideoExpectation& expected,
                       const std::filesystem::path& ffprobe, const std::filesystem::path& ffmpeg)
{
    std::string wrong = CheckStreams(file, expected, ffprobe);
    if (wrong.empty() && !expected.hashes.empty())
        wrong = CheckPixels(file, expected, ffmpeg);
    return wrong;
}

} // namespace capture
