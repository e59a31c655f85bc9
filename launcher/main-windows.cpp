// Process entry on Windows: the launcher with the module's instance handle and the window's show
// state from the start-up information, as the C runtime's own entry would pass them to WinMain,
// and the folders that hold the show's files beside quen.exe: its own (an unpacked release) and
// assets/ beside the build folder.
#include "launcher/Launch.h"

#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int show =
        (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
    std::vector<std::filesystem::path> builtIn;
    std::wstring program(32768, L'\0');
    const DWORD length = GetModuleFileNameW(NULL, program.data(), DWORD(program.size()));
    if (length > 0 && length < program.size())
    {
        program.resize(length);
        const std::filesystem::path folder = std::filesystem::path(program).parent_path();
        builtIn = {folder, (folder.parent_path() / "assets").lexically_normal()};
    }
    return launch::Run(argc, argv, GetModuleHandleA(NULL), show, builtIn);
}
