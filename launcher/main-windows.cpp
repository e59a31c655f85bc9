// Process entry on Windows: the launcher with the module's instance handle and the window's show
// state from the start-up information, as the C runtime's own entry would pass them to WinMain.
#include "launcher/Launch.h"

int main(int argc, char** argv)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int show =
        (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
    return launch::Run(argc, argv, GetModuleHandleA(NULL), show);
}
