// The launcher: the demo's process entry on every build. It reads the command line before it
// starts the show; the show itself takes no command line, the options only choose how the
// platform shows the window.
#pragma once

#include <windows.h>

#include "platform/sys/Window.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

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
    std::uint32_t startMs = 0;                   // --start: how far into the show it begins
    std::optional<std::filesystem::path> assets; // --assets: the folder of the show's files
};

// Run: reads argv[1..argc-1]. Later options override earlier ones. --help names the folders of
// `builtIn` (below).
Request ReadCommandLine(int argc, const char* const* argv,
                        const std::vector<std::filesystem::path>& builtIn = {});

// Run, for a window larger than the frames: lowers display.scale to the largest factor whose
// window fits a work area of areaWidth x areaHeight, and returns the line that says so; "" when
// the factor asked for fits.
std::string FitToScreen(sys::DisplayOptions& display, int areaWidth, int areaHeight);

// Where the show's files are taken from.
struct ShowFolder
{
    std::filesystem::path folder; // the folder to enter; empty: stay in the current one
    std::string line;             // one line for standard error, or ""
    bool refused = false;         // --assets names no usable folder: exit 2 with `line`
};

// Run, before the show starts: the folder `asked` (--assets) as it is; else the current folder
// when any of the show's files is there; else the first of `builtIn` (where the program's build
// or installation puts them, as the process entry finds it from the program's own path) that
// holds any, said in one line; else the current folder, with one line naming every folder looked
// in and how to run the show.
ShowFolder FindShowFolder(const std::optional<std::filesystem::path>& asked,
                          const std::filesystem::path& current,
                          const std::vector<std::filesystem::path>& builtIn);

// Each build's `main` (launcher/main*.cpp), with the instance handle and show command its
// platform gives a program and the folder its build or installation puts the show's files in
// (none on the web, whose page provides them): answers --help and --version, refuses a bad
// command line (exit 2), or fits the window to the screen, enters the folder of the show's
// files, hands the display options to the platform and runs the demo's WinMain, whose result
// it returns.
int Run(int argc, const char* const* argv, HINSTANCE instance, int showCommand,
        const std::vector<std::filesystem::path>& builtIn = {});

} // namespace launch
