// The capture tool's command line: what to render, where to write it, and the help text.
#pragma once

#include "timeline/Schedule.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace capture
{

// The kind of video, from the file name's extension.
enum class Container
{
    Mp4,  // .mp4: H.264 and AAC, plays everywhere
    WebM, // .webm: VP9 and Opus, for the web
    Mkv,  // .mkv: lossless H.264 in RGB and FLAC, for archiving
};

// What one run of the tool does.
enum class CaptureMode
{
    Help,    // print the help text
    Version, // print the version
    Stills,  // --at: one PNG per listed time
    Video,   // --video: a video of consecutive frames with the soundtrack
};

// Parsed command line. Paths are as given; the caller makes them absolute before changing
// to the assets folder.
struct CaptureOptions
{
    CaptureMode mode = CaptureMode::Help;
    // Stills: elapsed times in milliseconds, in the order given (duplicates kept).
    std::vector<std::uint32_t> times;
    // Stills: the file that holds the times instead (--at @FILE, --at-file FILE); the caller
    // reads it with ParseTimeFile.
    std::optional<std::filesystem::path> timesFile;
    // Stills: folder that receives <t>.png.
    std::filesystem::path outDir;
    // Video: the file to write, and its kind.
    std::filesystem::path videoFile;
    Container container = Container::Mp4;
    // Video: frames per second; frame i shows elapsed time i * 1000 / fps.
    int fps = 60;
    // Video: length in seconds; the default covers the whole show and one scroller cycle.
    double seconds = ShowCycleSteps * StepMilliseconds / 1000.0;
    // Video: each pixel becomes a scale x scale square.
    int scale = 1;
    // Video: ffmpeg's own messages on stderr.
    bool verbose = false;
    // Video: the settings video sites ask for (--for-upload): 4x, 60 fps, colour tags, a
    // closed GOP of half a second, AAC-LC at 48 kHz and 384 kb/s.
    bool forUpload = false;
    // Video: the finished file is read back and checked (--no-check turns it off).
    bool check = true;
    // Folder to change to before start-up, where the pictures and the music are found.
    std::optional<std::filesystem::path> assetsDir;
};

// Parses the arguments after the program name. Throws CaptureError with a one-line reason
// for anything it cannot use: unknown options, missing values, malformed numbers, options
// that do not go together.
CaptureOptions ParseArguments(const std::vector<std::string_view>& args);

// Parses a --at list "T1,T2,..." of elapsed times in whole milliseconds, 0 to 2^32 - 1.
std::vector<std::uint32_t> ParseTimeList(std::string_view list);

// Parses the contents of a file of times: the same times, separated by commas, spaces or line
// ends in any number.
std::vector<std::uint32_t> ParseTimeFile(std::string_view text);

// Number of video frames for `seconds` at `fps`, rounded to the nearest frame.
std::uint32_t VideoFrameCount(int fps, double seconds);

// Elapsed milliseconds shown by video frame `index` at `fps`: index * 1000 / fps, rounded down.
std::uint32_t VideoFrameTime(std::uint32_t index, int fps);

// The --help text. `defaultAssets`: the folder read without --assets, if not the current one.
std::string HelpText(const std::optional<std::filesystem::path>& defaultAssets);

} // namespace capture
