#include "launcher/Launch.h"

#include "platform/Display.h"
#include "platform/Text.h"
#include "platform/sys/Clock.h"
#include "shell/ShowFiles.h"
#include "shell/WindowClass.h"
#include "show/Geometry.h"

#include <cstdio>
#include <string_view>
#include <system_error>
#include <utility>

#ifndef QUEN_VERSION
#error "QUEN_VERSION is set by the build"
#endif

namespace
{

constexpr int LargestScale = 8;                // 6400x4800, more than any screen made today
constexpr std::uint32_t LatestStart = 1000000; // seconds: eleven days, far below the counter's wrap

// A path for a message: UTF-8 on every system, control characters escaped.
std::string Shown(const std::filesystem::path& path)
{
    const std::u8string utf8 = path.u8string();
    return text::Printable(std::string(utf8.begin(), utf8.end()));
}

bool IsFolder(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// --help, naming the folders of `builtIn` in the order they are looked in.
std::string Help(const std::vector<std::filesystem::path>& builtIn)
{
    std::string help =
        R"(Usage: quen [--window | --scale N | --fullscreen] [--start SECONDS] [--assets DIR]
Plays the Quen/XDL demo: a self-running show of software-rendered effects to its own looping
music, until you press Escape.

  --window      a borderless window in the middle of the screen (the default)
  --scale N     the window N times 800x600 (N from 1 to 8; 1 unless given); where that is
                larger than the screen, the largest N that fits
  --fullscreen  the whole screen: the picture as large as it fits, black bars beside it
  --start SECONDS  begin SECONDS into the show (45, or 12.5), the music there too
  --assets DIR  take the pictures and the music from DIR
  --help        print this help and exit
  --version     print the version and exit

The pictures and the music (initial.jpg, j1.jpg, j2.jpg, j3.jpg, scroller.jpg, zeft.mp3) come
from the folder --assets names, else from the current folder when any of them is there)";
    std::string others;
    for (const std::filesystem::path& folder : builtIn)
        others += "\n  " + Shown(folder);
    help += others.empty()
                ? ".\n"
                : ",\nelse from the folder of this build or installation:" + others + "\n";
    help += R"(A missing picture shows black, missing music leaves the show silent.

While it plays, Alt+Enter or F11 switches between the window and the whole screen, Space
pauses and resumes, F12 saves the picture as a PNG, and Escape ends the show. Pixels stay
sharp: each becomes a block of screen pixels, all the same size wherever the screen holds a
whole multiple of 800x600.
)";
    return help;
}

// A request to print `text` and exit.
launch::Request Answer(launch::Request::Action action, std::string text)
{
    launch::Request request;
    request.action = action;
    request.text = std::move(text);
    return request;
}

launch::Request Refuse(const std::string& why)
{
    return Answer(launch::Request::Action::Refuse, "quen: " + why + " (see quen --help)\n");
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

Request ReadCommandLine(int argc, const char* const* argv,
                        const std::vector<std::filesystem::path>& builtIn)
{
    Request request;
    for (int i = 1; i < argc; ++i)
    {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h")
            return Answer(Request::Action::Inform, Help(builtIn));
        if (arg == "--version")
            return Answer(Request::Action::Inform, "quen " QUEN_VERSION "\n");
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
        else if (arg == "--assets" || arg.starts_with("--assets="))
        {
            const std::string_view folder = OptionValue(arg, "--assets", argc, argv, i);
            if (folder.empty())
                return Refuse("--assets needs a folder");
            request.assets = std::filesystem::path(folder);
        }
        else
            return Refuse("unknown option '" + text::Printable(arg) + "'");
    }
    return request;
}

std::string FitToScreen(sys::DisplayOptions& display, int areaWidth, int areaHeight)
{
    const int fits =
        display::FittingScale(display.scale, ScreenWidth, ScreenHeight, areaWidth, areaHeight);
    if (fits == display.scale)
        return {};
    std::string line = "quen: --scale " + std::to_string(display.scale) + " does not fit " +
                       std::to_string(areaWidth) + "x" + std::to_string(areaHeight) + "; using " +
                       std::to_string(fits) + "\n";
    display.scale = fits;
    return line;
}

ShowFolder FindShowFolder(const std::optional<std::filesystem::path>& asked,
                          const std::filesystem::path& current,
                          const std::vector<std::filesystem::path>& builtIn)
{
    if (asked)
    {
        if (!IsFolder(*asked))
            return {*asked,
                    "quen: --assets " + Shown(*asked) + " is not a folder (see quen --help)\n",
                    true};
        if (HoldsShowFiles(*asked))
            return {*asked, {}, false};
        return {*asked,
                "quen: none of the pictures and music is in " + Shown(*asked) +
                    "; the show plays black and silent\n",
                false};
    }
    if (HoldsShowFiles(current))
        return {{}, {}, false};
    std::string looked = Shown(current);
    for (const std::filesystem::path& folder : builtIn)
    {
        if (HoldsShowFiles(folder))
            return {folder,
                    "quen: taking the pictures and music from " + Shown(folder) + " (none in " +
                        Shown(current) + ")\n",
                    false};
        looked += ", " + Shown(folder);
    }
    return {{},
            "quen: the pictures and music are in none of " + looked +
                "; the show plays black and silent (run it in their folder, as in cd assets && "
                "../build/quen, or name it with --assets DIR)\n",
            false};
}

int Run(int argc, const char* const* argv, HINSTANCE instance, int showCommand,
        const std::vector<std::filesystem::path>& builtIn)
{
    Request request = ReadCommandLine(argc, argv, builtIn);
    if (request.action != Request::Action::Play)
    {
        // On Windows, a program without a console of its own: seen where its output goes to a
        // file, a pipe, or the terminal that Wine runs it from.
        const bool refused = request.action == Request::Action::Refuse;
        std::fputs(request.text.c_str(), refused ? stderr : stdout);
        return refused ? 2 : 0;
    }
    // The web page puts the files where the program looks and has no folders to search.
    if (request.assets || !builtIn.empty())
    {
        std::error_code error; // a current folder that was removed: its files are not there
        const std::filesystem::path current = std::filesystem::current_path(error);
        request.display.startFolder = current.string();
        const ShowFolder show = FindShowFolder(request.assets, current, builtIn);
        error.clear();
        if (!show.folder.empty())
            std::filesystem::current_path(show.folder, error);
        if (show.refused || error)
        {
            std::fputs(show.refused ? show.line.c_str()
                                    : ("quen: cannot enter " + Shown(show.folder) + ": " +
                                       error.message() + "\n")
                                          .c_str(),
                       stderr);
            return 2;
        }
        std::fputs(show.line.c_str(), stderr);
    }
    int areaWidth = 0, areaHeight = 0;
    if (request.display.scale > 1 && sys::UsableArea(areaWidth, areaHeight))
        std::fputs(FitToScreen(request.display, areaWidth, areaHeight).c_str(), stderr);
    request.display.windowClass = DemoWindowClass;
    sys::SetDisplayOptions(request.display);
    sys::SetStartOffset(request.startMs);
    char noCommandLine[] = "";
    return WinMain(instance, NULL, noCommandLine, showCommand);
}

} // namespace launch
