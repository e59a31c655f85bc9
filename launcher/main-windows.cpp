// Process entry on Windows: the launcher with the module's instance handle and the window's show
// state from the start-up information, as the C runtime's own entry would pass them to WinMain,
// and the folder that holds the show's files beside quen.exe: assets/ beside a build folder
// (CMake's cache beside the program), else the program's own (an unpacked release).
#include "launcher/Launch.h"

#include <filesystem>
#include <string>
#include <system_error>

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
        std::error_code error;
        builtIn = {std::filesystem::exists(folder / "CMakeCache.txt", error)
                       ? folder.parent_path() / "assets"
                       : folder};
    }
    return launch::Run(argc, argv, GetModuleHandleA(NULL), show, builtIn);
}
