#include "tools/capture/CaptureOptions.h"

#include "platform/Text.h"
#include "tools/capture/CaptureError.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace capture
{

namespace
{

constexpr std::uint32_t LargestTime = std::numeric_limits<std::uint32_t>::max();
constexpr int LargestFps = 1000;
constexpr int LargestScale = 8;

// Quotes a piece of user input for an error message: control bytes escaped, and a long one
// (a number of 400 digits) cut short.
std::string Quoted(std::string_view text)
{
    constexpr std::size_t Longest = 40;
    if (text.size() <= Longest)
        return "\"" + text::Printable(text) + "\"";
    return "\"" + text::Printable(text.substr(0, Longest - 8)) + "...\" (" +
           std::to_string(text.size()) + " characters)";
}

bool AllDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Parses a whole decimal number made of digits only; false if it has anything else or does not
// fit in 64 bits.
bool ParseWhole(std::string_view text, std::uint64_t& value)
{
    if (!AllDigits(text))
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

std::uint32_t ParseTime(std::string_view item)
{
    if (item.empty())
        throw CaptureError("empty time in the --at list (times are separated by single commas)");
    if (item.front() == '-' && AllDigits(item.substr(1)))
        throw CaptureError("negative time " + std::string(item) + " in --at: times start at 0");
    std::uint64_t value = 0;
    if (!AllDigits(item))
        throw CaptureError("malformed time " + Quoted(item) +
                           " in --at: give whole milliseconds, like 12500");
    if (!ParseWhole(item, value) || value > LargestTime)
        throw CaptureError("time " + Quoted(item) + " in --at is out of range (at most " +
                           std::to_string(LargestTime) + " ms)");
    return static_cast<std::uint32_t>(value);
}

// A whole number from 1 to `largest` for `option`: anything else is malformed, or, when it is
// made of digits, out of range.
int ParseCount(std::string_view option, std::string_view text, int largest)
{
    std::uint64_t value = 0;
    const std::string range = "from 1 to " + std::to_string(largest);
    if (!AllDigits(text))
        throw CaptureError(std::string(option) + " wants a whole number " + range + ", not " +
                           Quoted(text));
    if (!ParseWhole(text, value) || value < 1 || value > std::uint64_t(largest))
        throw CaptureError(std::string(option) + " " + Quoted(text) + " is out of range (" + range +
                           ")");
    return static_cast<int>(value);
}

// The kind of video a file name asks for, by its extension in any case.
Container ContainerOf(const std::filesystem::path& file)
{
    std::string extension = file.extension().string();
    for (char& c : extension)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (extension == ".mp4")
        return Container::Mp4;
    if (extension == ".webm")
        return Container::WebM;
    if (extension == ".mkv")
        return Container::Mkv;
    throw CaptureError("--video " + Quoted(file.string()) +
                       ": name the file .mp4 (H.264 and AAC), .webm (VP9 and Opus) or .mkv "
                       "(lossless H.264 and FLAC)");
}

// Seconds as a decimal number: digits with an optional fraction, either side of the point
// left out ("110", "2.5", ".5", "5.").
double ParseSeconds(std::string_view text)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    auto digitsOrNone = [](std::string_view part) { return part.empty() || AllDigits(part); };
    if (!digitsOrNone(whole) || !digitsOrNone(fraction) || (whole.empty() && fraction.empty()))
        throw CaptureError("--seconds wants a length above 0, like 110 or 2.5, not " +
                           Quoted(text));
    double value = 0;
    const std::string digits = std::string(whole.empty() ? "0" : whole) + "." +
                               std::string(fraction.empty() ? "0" : fraction);
    const std::errc error = std::from_chars(digits.data(), digits.data() + digits.size(), value).ec;
    // Beyond what a double holds: longer than any video can be, or too short for any frame
    // (which VideoFrameCount then says).
    if (error == std::errc::result_out_of_range)
    {
        if (whole.find_first_not_of('0') != std::string_view::npos)
            throw CaptureError("--seconds " + Quoted(text) + " is out of range (at most " +
                               std::to_string(LargestTime / 1000) + " seconds)");
        return std::numeric_limits<double>::min();
    }
    if (!(value > 0))
        throw CaptureError("--seconds wants a length above 0, like 110 or 2.5, not " +
                           Quoted(text));
    return value;
}

// The options as given on the command line, before they are checked against each other.
struct RawOptions
{
    std::optional<std::string_view> at, atFile, out, video, fps, seconds, scale, assets;
    bool verbose = false, forUpload = false, noCheck = false;
};

// The options that take no value.
bool* Flag(RawOptions& raw, std::string_view name)
{
    if (name == "--verbose")
        return &raw.verbose;
    if (name == "--for-upload")
        return &raw.forUpload;
    if (name == "--no-check")
        return &raw.noCheck;
    return nullptr;
}

std::optional<std::string_view>* Slot(RawOptions& raw, std::string_view name)
{
    if (name == "--at")
        return &raw.at;
    if (name == "--at-file")
        return &raw.atFile;
    if (name == "--out")
        return &raw.out;
    if (name == "--video")
        return &raw.video;
    if (name == "--fps")
        return &raw.fps;
    if (name == "--seconds")
        return &raw.seconds;
    if (name == "--scale")
        return &raw.scale;
    if (name == "--assets")
        return &raw.assets;
    return nullptr;
}

RawOptions Collect(const std::vector<std::string_view>& args)
{
    RawOptions raw;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string_view arg = args[i];
        if (!arg.starts_with("--"))
            throw CaptureError("unexpected argument " + Quoted(arg) + " (see --help)");
        // Both "--name value" and "--name=value".
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        if (bool* flag = Flag(raw, name))
        {
            if (equals != std::string_view::npos)
                throw CaptureError(std::string(name) + " takes no value");
            *flag = true;
            continue;
        }
        std::optional<std::string_view>* slot = Slot(raw, name);
        if (slot == nullptr)
            throw CaptureError("unknown option " + Quoted(name) + " (see --help)");
        if (slot->has_value())
            throw CaptureError(std::string(name) + " is given twice");
        if (equals != std::string_view::npos)
            *slot = arg.substr(equals + 1);
        else if (i + 1 < args.size())
            *slot = args[++i];
        else
            throw CaptureError(std::string(name) + " needs a value (see --help)");
    }
    return raw;
}

std::filesystem::path NonEmptyPath(std::string_view text, std::string_view option)
{
    if (text.empty())
        throw CaptureError(std::string(option) + " needs a non-empty path");
    return std::filesystem::path(text);
}

} // namespace

std::vector<std::uint32_t> ParseTimeFile(std::string_view text)
{
    constexpr std::string_view Separators = ", \t\r\n";
    std::vector<std::uint32_t> times;
    for (std::size_t start = text.find_first_not_of(Separators); start != std::string_view::npos;)
    {
        const std::size_t end = std::min(text.find_first_of(Separators, start), text.size());
        times.push_back(ParseTime(text.substr(start, end - start)));
        start = text.find_first_not_of(Separators, end);
    }
    if (times.empty())
        throw CaptureError("the file of times holds no time");
    return times;
}

std::vector<std::uint32_t> ParseTimeList(std::string_view list)
{
    std::vector<std::uint32_t> times;
    std::size_t start = 0;
    while (true)
    {
        const std::size_t comma = list.find(',', start);
        times.push_back(ParseTime(list.substr(start, comma - start)));
        if (comma == std::string_view::npos)
            return times;
        start = comma + 1;
    }
}

std::uint32_t VideoFrameCount(int fps, double seconds)
{
    const double frames = std::round(seconds * fps);
    if (frames < 1)
        throw CaptureError("the video is shorter than one frame; give more --seconds or --fps");
    const double lastTime = std::floor((frames - 1) * 1000.0 / fps);
    if (lastTime > LargestTime)
        throw CaptureError("the video is too long: its last frame would lie beyond " +
                           std::to_string(LargestTime) + " ms");
    return static_cast<std::uint32_t>(frames);
}

std::uint32_t VideoFrameTime(std::uint32_t index, int fps)
{
    return static_cast<std::uint32_t>(std::uint64_t{index} * 1000 / static_cast<unsigned>(fps));
}

CaptureOptions ParseArguments(const std::vector<std::string_view>& args)
{
    CaptureOptions options;
    for (std::string_view arg : args)
    {
        if (arg == "--help" || arg == "-h")
            return options;
    }
    for (std::string_view arg : args)
    {
        if (arg == "--version")
        {
            options.mode = CaptureMode::Version;
            return options;
        }
    }

    const RawOptions raw = Collect(args);
    if (raw.assets)
        options.assetsDir = NonEmptyPath(*raw.assets, "--assets");

    const bool stills = raw.at || raw.atFile;
    if (stills && raw.video)
        throw CaptureError("--at and --video cannot be used together");
    if (stills)
    {
        if (raw.at && raw.atFile)
            throw CaptureError("--at and --at-file cannot be used together");
        if (raw.fps || raw.seconds || raw.scale || raw.verbose || raw.forUpload || raw.noCheck)
            throw CaptureError("--fps, --seconds, --scale, --verbose, --for-upload and --no-check "
                               "go with --video, not --at");
        if (!raw.out)
            throw CaptureError("--at needs --out DIR, the folder for the pictures");
        options.mode = CaptureMode::Stills;
        if (raw.atFile)
            options.timesFile = NonEmptyPath(*raw.atFile, "--at-file");
        else if (raw.at->starts_with('@'))
            options.timesFile = NonEmptyPath(raw.at->substr(1), "--at @");
        else
            options.times = ParseTimeList(*raw.at);
        options.outDir = NonEmptyPath(*raw.out, "--out");
        return options;
    }
    if (raw.video)
    {
        if (raw.out)
            throw CaptureError("--out goes with --at; --video names its file itself");
        options.mode = CaptureMode::Video;
        options.videoFile = NonEmptyPath(*raw.video, "--video");
        if (raw.video->ends_with('/'))
            throw CaptureError("--video " + Quoted(*raw.video) + " ends in /: give a file name");
        options.container = ContainerOf(options.videoFile);
        if (raw.fps)
            options.fps = ParseCount("--fps", *raw.fps, LargestFps);
        if (raw.seconds)
            options.seconds = ParseSeconds(*raw.seconds);
        if (raw.scale)
            options.scale = ParseCount("--scale", *raw.scale, LargestScale);
        if (raw.forUpload)
        {
            if (raw.fps || raw.scale)
                throw CaptureError("--for-upload sets --scale 4 and --fps 60 itself");
            if (options.container != Container::Mp4)
                throw CaptureError("--for-upload makes an .mp4 file; name it FILE.mp4");
            options.forUpload = true;
            options.scale = 4;
            options.fps = 60;
        }
        options.verbose = raw.verbose;
        options.check = !raw.noCheck;
        VideoFrameCount(options.fps, options.seconds); // refuses lengths that cannot be made
        return options;
    }
    if (raw.out)
        throw CaptureError("--out goes with --at T1,T2,...");
    if (raw.fps || raw.seconds || raw.scale || raw.verbose || raw.forUpload || raw.noCheck)
        throw CaptureError("--fps, --seconds, --scale, --verbose, --for-upload and --no-check "
                           "go with --video FILE");
    throw CaptureError("nothing to do: give --at T1,T2,... --out DIR or --video FILE.mp4 "
                       "(see --help)");
}

std::string HelpText(const std::optional<std::filesystem::path>& defaultAssets)
{
    const std::string assets =
        defaultAssets ? defaultAssets->string() + " (the installed files)" : "the current folder";
    return R"(Usage: quen-capture --at T1,T2,... --out DIR [--assets DIR]
       quen-capture --at @FILE --out DIR [--assets DIR]
       quen-capture --video FILE [--fps N] [--seconds S] [--scale N] [--for-upload]
                    [--no-check] [--verbose] [--assets DIR]
       quen-capture --help | --version

Renders the Quen/XDL show without a display, frame-exactly: the demo's own start-up and
frame code run on a headless device with a virtual clock, so the picture for elapsed time
t shows what the demo shows t milliseconds after its music starts, on any machine.
The pictures and the music are read from )" +
           assets + R"(
unless --assets says otherwise.

  --at T1,T2,...  elapsed times in whole milliseconds (0 or more), rendered in the order
                  given in one run of the show. Each frame is written as DIR/<t>.png,
                  8-bit RGB, 800x600. A time listed twice is rendered twice; its file holds
                  the later frame (the cubes' angle follows the cube frame before).
  --at @FILE, --at-file FILE
                  the times from a file, separated by commas, spaces or new lines.
  --out DIR       folder for the pictures; created if missing.
  --video FILE    writes a video of the show with its music, the sound the show itself
                  decodes, looped to the video's length (silent without a usable music
                  file). The name says the kind: FILE.mp4 (H.264 and AAC, plays everywhere),
                  FILE.webm (VP9 and Opus, for the web) or FILE.mkv (lossless H.264 in
                  RGB and FLAC, for archiving). Needs ffmpeg (apt-get install ffmpeg).
  --fps N         video frames per second, 1 to 1000 (default 60). Frame i shows
                  t = i * 1000 / N ms, rounded down.
  --seconds S     video length in seconds, fractions allowed (default 110: the whole show
                  and the first cycle of the closing scroller).
  --scale N       video pixels N times as large, 1 to 8, kept sharp (nearest neighbour);
                  an even N keeps each pixel's colour whole in the video's half-size colour.
  --for-upload    for a video site (FILE.mp4): 4x (3200x2400, which sites treat as 4K and
                  give more bits), 60 fps, BT.709 tags, 0.5 s closed GOPs, AAC 48 kHz 384k.
  --no-check      leaves out the check that reads the finished video back: its frames,
                  rate and length, the sound's length, and for .mkv every frame's pixels.
                  A video that fails the check is kept as FILE.failed-check.EXT, status 2.
  --verbose       ffmpeg's own messages on stderr; otherwise a failure names the file
                  that holds them.
  --assets DIR    folder with the pictures (initial.jpg, j1.jpg, j2.jpg, j3.jpg,
                  scroller.jpg) and the music (zeft.mp3); default: )" +
           assets + R"(.
                  A missing file behaves as in the demo: a black picture, silent music;
                  with none of the six there, nothing is rendered.
  --help          this text.
  --version       the version.

Paths given to --out, --video and --at @FILE are taken from the folder the command runs
in, before --assets changes folder. Every output path is checked before anything is
rendered. Files appear only when complete: each is written under a temporary name of
its own beside it and renamed; an existing file is replaced (its permissions kept), a
symbolic link written through, and a folder or device refused, as is another user's
link in a shared sticky folder such as /tmp. The last line says where the files went.
A WAV music file plays its first ten minutes at most.

Examples:
  quen-capture --at 0,5000,13000 --out frames
  quen-capture --video quen.mp4
  quen-capture --video preview.webm --fps 30 --seconds 20
  quen-capture --video upload.mp4 --for-upload
  quen-capture --video archive.mkv

Exit status: 0 when every file is complete; 2 on any error, with the reason on one line
of stderr; 128+N when stopped by signal N (130 for Ctrl-C, 143 for SIGTERM, 129 when the
terminal closes): unfinished files are removed and ffmpeg is stopped.
)";
}

} // namespace capture
