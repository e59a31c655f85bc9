// The capture tool's runs: still pictures (--at) and videos (--video), and the command-line
// entry that chooses between them.
#pragma once

#include "tools/capture/CaptureOptions.h"
#include "tools/capture/FramePipeline.h"
#include "tools/capture/Progress.h"
#include "tools/session/ShowSession.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

namespace capture
{

// Exit statuses of the tool; after signal N it is 128 + N.
constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 2;

// main: runs the tool on the arguments after the program name: prints help, or captures, or
// prints one line "quen-capture: <reason>" on stderr. Returns the exit status.
int RunCapture(const std::vector<std::string_view>& args);

// Renders frames 0 to count - 1, frame i at elapsed time timeOf(i), in order, handing each to
// `pipeline` under its number. Throws CaptureError, between frames, after a signal.
void RenderFrames(session::ShowSession& session, std::size_t count,
                  const std::function<std::uint32_t(std::size_t)>& timeOf, FramePipeline& pipeline,
                  ProgressMeter& progress);

// --at: writes outDir/<t>.png for every time, rendered in order in one session started in the
// current folder. The folder must exist (RunCapture makes it and checks the files first).
void CaptureStills(const std::vector<std::uint32_t>& times, const std::filesystem::path& outDir);

// What --video makes.
struct VideoJob
{
    std::filesystem::path ffmpeg;
    // The user's path, for messages, and the file written: the same unless a link leads on.
    std::filesystem::path path;
    std::filesystem::path file;
    Container container = Container::Mp4;
    int fps = 60;
    std::uint32_t frames = 0;
    int scale = 1;
    bool verbose = false;
    bool forUpload = false;
    // Read the finished file back before it takes its name.
    bool check = true;
    // How long ffmpeg may go without writing, after the last frame, before it is stopped.
    double stallSeconds = 60;
};

// --video: renders the frames in one session started in the current folder and has ffmpeg
// encode them, with the sound the session's music makes when start-up could open it; then,
// unless job.check is off, reads the file back (CheckVideo). A file that fails the check is
// kept as NAME.failed-check.EXT, and CaptureError says why.
void CaptureVideo(const VideoJob& job);

} // namespace capture
