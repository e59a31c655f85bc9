// The capture tool's runs: still pictures (--at) and videos (--video), and the command-line
// entry that chooses between them.
#pragma once

#include "tools/capture/CaptureOptions.h"
#include "tools/capture/FramePipeline.h"
#include "tools/capture/Progress.h"
#include "platform/session/ShowSession.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace capture
{

// Exit statuses of the tool.
constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 2;
constexpr int ExitInterrupted = 130;

// Runs the tool on the arguments after the program name: prints help, or captures, or prints
// one line "quen-capture: <reason>" on stderr. Returns the exit status.
int RunCapture(const std::vector<std::string_view>& args);

// Renders `times` in the order given, handing each frame to `pipeline` under its position
// in the list. Throws CaptureError, between frames, after SIGINT or SIGTERM.
void RenderTimes(demo::ShowSession& session, const std::vector<std::uint32_t>& times,
                 FramePipeline& pipeline, ProgressMeter& progress);

// --at: writes outDir/<t>.png for every time, rendered in order in one session started in the
// current folder. `outDir` is created if missing.
void CaptureStills(const std::vector<std::uint32_t>& times, const std::filesystem::path& outDir);

// --video: renders `frames` frames at `fps` and has ffmpeg write them, with the music when
// start-up could open it, to `videoFile`.
void CaptureVideo(const std::filesystem::path& videoFile, int fps, std::uint32_t frames);

} // namespace capture
