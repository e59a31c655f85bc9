// Video output through ffmpeg: raw frames go down one pipe and the show's decoded sound down a
// second to an ffmpeg process that encodes them into the container the file name asks for.
#pragma once

#include "tools/capture/CaptureOptions.h"

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace music
{
class Player;
}

namespace capture
{

// Looks `name` up in the folders of PATH, as a shell would; empty if it is not there.
std::optional<std::filesystem::path> FindProgram(std::string_view name);

// What ffmpeg is asked to make.
struct VideoSettings
{
    int width = 800;
    int height = 600;
    int fps = 60;
    // Each pixel becomes a scale x scale square (nearest neighbour).
    int scale = 1;
    Container container = Container::Mp4;
    // Samples per second of the sound on descriptor 3; 0 for a silent video.
    int soundRate = 0;
    // ffmpeg's own messages in full on stderr instead of errors only in its log.
    bool verbose = false;
    // MP4 as video sites advise (--for-upload): BT.709, closed GOPs of 30, AAC 48 kHz 384k.
    bool forUpload = false;
    // The file ffmpeg writes.
    std::filesystem::path output;
};

// ffmpeg's command line for `settings`, program name first: raw 32-bit frames on standard input
// at `fps`, 16-bit stereo sound on descriptor 3; MP4 with H.264 (yuv420p) and AAC, WebM with
// VP9 and Opus, or Matroska with lossless H.264 (RGB) and FLAC.
std::vector<std::string> FfmpegArguments(const VideoSettings& settings);

// The sound frames that go with `frames` video frames at `fps`: the same length, rounded.
std::uint64_t SoundFrames(std::uint32_t frames, int fps, int rate);

class FfmpegLog;

// One ffmpeg process and the pipes that feed it. It runs in a process group of its own (Ctrl-C
// on the terminal reaches only the tool, which stops it) and ends if the tool dies (SIGKILL
// included), through Linux's parent-death signal.
class FfmpegProcess
{
  public:
    // Starts `program` with `arguments` (program name first), with a second input pipe on
    // descriptor 3 if `withSound`, and its stdout and stderr on `messages` (-1: the tool's
    // stderr). Throws CaptureError if it cannot be started.
    FfmpegProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                  bool withSound, int messages);
    // Kills ffmpeg at once if Finish was not reached (a failed or interrupted capture), and
    // waits for it and for the sound thread.
    ~FfmpegProcess();
    FfmpegProcess(const FfmpegProcess&) = delete;
    FfmpegProcess& operator=(const FfmpegProcess&) = delete;

    // Sends one frame. False if ffmpeg has stopped reading; throws CaptureError after a signal.
    bool WriteFrame(const void* pixels, std::size_t bytes);

    // Starts a thread that sends `frames` frames of `player`'s sound, then ends that input.
    void StartSound(std::unique_ptr<music::Player> player, std::uint64_t frames);

    // Ends the frames, waits for the sound to be sent and for ffmpeg to exit; returns its
    // status as waitpid gives it. An ffmpeg whose output (`output`, and its messages through
    // `log`) has not grown for `stallSeconds` since then is stopped, with every process of its
    // group, and Stalled says so.
    int Finish(const std::filesystem::path& output, const FfmpegLog* log, double stallSeconds = 60);
    bool Stalled() const { return stalled_; }

    // Kills ffmpeg at once; every write waiting for it gives up. For a capture that fails.
    void Stop();

  private:
    int WaitForExit(const std::function<bool()>& progressed = {}, double stallSeconds = 0);

    pid_t child_ = -1;
    bool stalled_ = false;
    int video_ = -1;
    int sound_ = -1;
    // An eventfd signalled when ffmpeg is stopped, so that no write waits on it any longer.
    int stopped_ = -1;
    std::thread soundThread_;
};

// "exit status N" or "signal N (SIGKILL)", for a status from waitpid.
std::string DescribeExit(int waitStatus);

// ffmpeg's messages, kept in a file of the temporary folder ($TMPDIR when it is an absolute
// path, else /tmp): removed at the end unless Keep was called for a failure whose message
// names it. Where no file can be made there (a missing, full or read-only folder), the last
// 64 KiB are kept in memory instead, read from a pipe: a capture never fails over its log.
class FfmpegLog
{
  public:
    FfmpegLog();
    ~FfmpegLog();
    FfmpegLog(const FfmpegLog&) = delete;
    FfmpegLog& operator=(const FfmpegLog&) = delete;

    // Where ffmpeg writes; after it has started, Started closes the tool's copy of a pipe.
    int Descriptor() const { return descriptor_; }
    void Started();
    // Empty when the messages are kept in memory.
    const std::filesystem::path& Path() const { return path_; }
    // What ffmpeg wrote, at most the last 64 KiB.
    std::string Text();
    // Bytes written so far: growth shows that ffmpeg still works.
    std::uint64_t Size() const;
    void Keep() { keep_ = true; }

  private:
    void ReadPipe(int from);

    std::filesystem::path path_;
    int descriptor_ = -1;
    bool keep_ = false;
    // The memory form: the reader's thread and what it has kept.
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> received_{0};
    mutable std::mutex mutex_;
    std::string kept_;
};

// Where a failure's message sends the user for ffmpeg's messages: the kept file's name, or the
// last line ffmpeg printed.
std::string WhereMessages(FfmpegLog& log);

// The one line for an ffmpeg that failed to write `output`: the cause found in its messages
// (no space left, permission denied, ...) if any, and where its messages are.
std::string DescribeFfmpegFailure(const std::filesystem::path& output, int waitStatus,
                                  const std::string& messages, const std::string& whereMessages);

} // namespace capture
