// Process entry on Windows: reads the launcher's options, hands the display options to the
// platform and runs the demo's WinMain, as the C runtime's own entry would, with the window's
// show state from the start-up information. The demo itself takes no command line.
#include "platform/Launch.h"

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv)
{
    const launch::Request request = launch::ReadCommandLine(argc, argv);
    if (request.action != launch::Request::Action::Play)
    {
        // A program without a console of its own: seen where its output goes to a file, a
        // pipe, or the terminal that Wine runs it from.
        const bool refused = request.action == launch::Request::Action::Refuse;
        std::fputs(request.text.c_str(), refused ? stderr : stdout);
        return refused ? 2 : 0;
    }
    sys::SetDisplayOptions(request.display);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int show =
        (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
    char noCommandLine[] = "";
    return WinMain(GetModuleHandleA(NULL), NULL, noCommandLine, show);
}
