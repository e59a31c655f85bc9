// Process entry on platforms without WinMain: reads the launcher's options, hands the display
// options to the platform and runs the demo's WinMain, which takes no command line of its own.
#include <windows.h>

#include "platform/Launch.h"

#include <cstdio>

int main(int argc, char** argv)
{
    const launch::Request request = launch::ReadCommandLine(argc, argv);
    if (request.action != launch::Request::Action::Play)
    {
        const bool refused = request.action == launch::Request::Action::Refuse;
        std::fputs(request.text.c_str(), refused ? stderr : stdout);
        return refused ? 2 : 0;
    }
    sys::SetDisplayOptions(request.display);
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000});
    char noCommandLine[] = "";
    return WinMain(instance, nullptr, noCommandLine, SW_SHOWNORMAL);
}
