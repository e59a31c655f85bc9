// The launcher: the demo's process entry on every build. It reads the command line before it
// starts the show; the show itself takes no command line, the options only choose how the
// platform shows the window.
#pragma once

#include <windows.h>

#include "platform/sys/Window.h"

#include <cstdint>
#include <string>

namespace launch
{

struct Request
{
    enum class Action
    {
        Play,   // start the show with `display`
        Inform, // print `text` on standard output and exit 0 (--help, --version)
        Refuse, // print `text` on standard error and exit 2
    } action = Action::Play;
    sys::DisplayOptions display;
    std::string text;
    std::uint32_t startMs = 0; // --start: how far into the show it begins
};

// Run: reads argv[1..argc-1]. Later options override earlier ones.
Request ReadCommandLine(int argc, const char* const* argv);

// Each build's `main` (launcher/main*.cpp), with the instance handle and show command its
// platform gives a program: answers --help and --version, refuses a bad command line (exit 2),
// or hands the display options to the platform and runs the demo's WinMain, whose result it
// returns.
int Run(int argc, const char* const* argv, HINSTANCE instance, int showCommand);

} // namespace launch
