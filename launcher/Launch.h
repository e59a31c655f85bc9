// The demo's command line, read by the launcher (`main`) before it starts the show. The show
// itself takes no command line: the options only choose how the platform shows the window.
#pragma once

#include "platform/sys/Window.h"

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
};

// The launcher: reads argv[1..argc-1]. Later options override earlier ones.
Request ReadCommandLine(int argc, const char* const* argv);

} // namespace launch
