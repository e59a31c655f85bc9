#include "launcher/Launch.h"

#include "platform/Text.h"
#include "shell/WindowClass.h"

#include <cstdio>
#include <string_view>

#ifndef QUEN_VERSION
#error "QUEN_VERSION is set by the build"
#endif

namespace
{

constexpr int LargestScale = 8; // 6400x4800, more than any screen made today

constexpr char Help[] =
    R"(Usage: quen [--window | --scale N | --fullscreen]
Plays the Quen/XDL demo: a self-running show of software-rendered effects to its own looping
music, from the pictures and the music in the current folder, until you press Escape.

  --window      a borderless window in the middle of the screen (the default)
  --scale N     the window N times 800x600 (N from 1 to 8; 1 unless given)
  --fullscreen  the whole screen: the picture as large as it fits, black bars beside it
  --help        print this help and exit
  --version     print the version and exit

While it plays, Alt+Enter or F11 switches between the window and the whole screen, and
Escape ends the show in either. Pixels stay sharp: each becomes a block of screen pixels,
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
            std::string_view value;
            if (arg != "--scale")
                value = arg.substr(8);
            else if (i + 1 < argc)
                value = argv[++i];
            request.display.scale = ReadScale(value);
            if (request.display.scale == 0)
                return Refuse("--scale needs a whole number from 1 to " +
                              std::to_string(LargestScale));
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
    char noCommandLine[] = "";
    return WinMain(instance, NULL, noCommandLine, showCommand);
}

} // namespace launch
