#include "launcher/Launch.h"

#include "platform/Text.h"
#include "platform/sys/Clock.h"
#include "shell/WindowClass.h"

#include <cstdio>
#include <string_view>

#ifndef QUEN_VERSION
#error "QUEN_VERSION is set by the build"
#endif

namespace
{

constexpr int LargestScale = 8;                // 6400x4800, more than any screen made today
constexpr std::uint32_t LatestStart = 1000000; // seconds: eleven days, far below the counter's wrap

constexpr char Help[] =
    R"(Usage: quen [--window | --scale N | --fullscreen] [--start SECONDS]
Plays the Quen/XDL demo: a self-running show of software-rendered effects to its own looping
music, from the pictures and the music in the current folder, until you press Escape.

  --window      a borderless window in the middle of the screen (the default)
  --scale N     the window N times 800x600 (N from 1 to 8; 1 unless given)
  --fullscreen  the whole screen: the picture as large as it fits, black bars beside it
  --start SECONDS  begin SECONDS into the show (45, or 12.5), the music there too
  --help        print this help and exit
  --version     print the version and exit

While it plays, Alt+Enter or F11 switches between the window and the whole screen, Space
pauses and resumes, F12 saves the picture as a PNG, and Escape ends the show. Pixels stay sharp: each becomes a block of screen pixels,
all the same size wherever the screen holds a whole multiple of 800x600.
)";

launch::Request Refuse(const std::string& why)
{
    return {launch::Request::Action::Refuse, {}, "quen: " + why + " (see quen --help)\n"};
}

// A whole number from 1 to LargestScale, or 0.
int ReadScale(std::string_view text)
{
    if (text.empty() || text.size() > 2)
        return 0;
    int value = 0;
    for (char c : text)
    {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= LargestScale ? value : 0;
}

// Decimal seconds ("45", "12.5", ".5", "7.") as whole milliseconds, digits past the third
// decimal dropped; false for anything else or more than LatestStart.
bool ReadSeconds(std::string_view text, std::uint32_t& ms)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if (whole.empty() && fraction.empty())
        return false;
    std::uint64_t value = 0;
    for (char c : whole)
    {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + std::uint64_t(c - '0');
        if (value > LatestStart)
            return false;
    }
    std::uint64_t milli = 0;
    for (std::size_t i = 0; i < fraction.size(); ++i)
    {
        const char c = fraction[i];
        if (c < '0' || c > '9')
            return false;
        if (i < 3)
            milli = milli * 10 + std::uint64_t(c - '0');
    }
    for (std::size_t i = fraction.size(); i < 3; ++i)
        milli *= 10;
    ms = static_cast<std::uint32_t>(value * 1000 + milli);
    return value * 1000 + milli <= std::uint64_t{LatestStart} * 1000;
}

// The value of option `name` given as "--name VALUE" or "--name=VALUE"; empty when missing.
std::string_view OptionValue(std::string_view arg, std::string_view name, int argc,
                             const char* const* argv, int& i)
{
    if (arg.size() > name.size())
        return arg.substr(name.size() + 1);
    return i + 1 < argc ? std::string_view(argv[++i]) : std::string_view{};
}

} // namespace

namespace launch
{

Request ReadCommandLine(int argc, const char* const* argv)
{
    Request request;
    for (int i = 1; i < argc; ++i)
    {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h")
            return {Request::Action::Inform, {}, Help};
        if (arg == "--version")
            return {Request::Action::Inform, {}, "quen " QUEN_VERSION "\n"};
        if (arg == "--fullscreen")
            request.display.fullscreen = true;
        else if (arg == "--window")
            request.display.fullscreen = false;
        else if (arg == "--scale" || arg.starts_with("--scale="))
        {
            request.display.scale = ReadScale(OptionValue(arg, "--scale", argc, argv, i));
            if (request.display.scale == 0)
                return Refuse("--scale needs a whole number from 1 to " +
                              std::to_string(LargestScale));
        }
        else if (arg == "--start" || arg.starts_with("--start="))
        {
            if (!ReadSeconds(OptionValue(arg, "--start", argc, argv, i), request.startMs))
                return Refuse("--start needs seconds from 0 to " + std::to_string(LatestStart) +
                              ", such as 45 or 12.5");
        }
        else
            return Refuse("unknown option '" + text::Printable(arg) + "'");
    }
    return request;
}

int Run(int argc, const char* const* argv, HINSTANCE instance, int showCommand)
{
    Request request = ReadCommandLine(argc, argv);
    if (request.action != Request::Action::Play)
    {
        // On Windows, a program without a console of its own: seen where its output goes to a
        // file, a pipe, or the terminal that Wine runs it from.
        const bool refused = request.action == Request::Action::Refuse;
        std::fputs(request.text.c_str(), refused ? stderr : stdout);
        return refused ? 2 : 0;
    }
    request.display.windowClass = DemoWindowClass;
    sys::SetDisplayOptions(request.display);
    sys::SetStartOffset(request.startMs);
    char noCommandLine[] = "";
    return WinMain(instance, NULL, noCommandLine, showCommand);
}

} // namespace launch
