// Video output through ffmpeg: raw frames go down a pipe to an ffmpeg process that encodes
// H.264 and muxes the soundtrack into an MP4.
#pragma once

#include "tools/capture/FramePipeline.h"

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
    std::uint32_t frames = 0;
    // Music looped under the whole video; none for a silent video.
    std::optional<std::filesystem::path> music;
    // The MP4 file ffmpeg writes.
    std::filesystem::path output;
};

// ffmpeg's command line for `settings`, program name first: raw 32-bit frames on standard
// input at `fps`, H.264 in yuv420p (plays everywhere), the music looped and cut to exactly
// frames / fps seconds as AAC, in an MP4 container.
std::vector<std::string> FfmpegArguments(const VideoSettings& settings);

// One ffmpeg process fed through its standard input.
class FfmpegPipe
{
  public:
    // Starts `program` with `arguments` (program name first). Throws CaptureError if it
    // cannot be started.
    FfmpegPipe(const std::filesystem::path& program, const std::vector<std::string>& arguments);
    // Stops ffmpeg at once if Finish was not reached (a failed or interrupted capture).
    ~FfmpegPipe();
    FfmpegPipe(const FfmpegPipe&) = delete;
    FfmpegPipe& operator=(const FfmpegPipe&) = delete;

    // Sends one frame. Throws CaptureError with ffmpeg's exit status if ffmpeg has stopped.
    void Write(const FrameImage& frame);

    // Ends the input and waits for ffmpeg. Throws CaptureError unless it exits with status 0.
    void Finish();

  private:
    // Waits for ffmpeg to end and throws unless it succeeded.
    void Reap();

    pid_t child_ = -1;
    int input_ = -1;
};

// "exit status N" or "signal N", for a status from waitpid.
std::string DescribeExit(int waitStatus);

} // namespace capture
