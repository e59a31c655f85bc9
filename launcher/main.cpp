// Process entry where the Windows API is the stand-in: the launcher with the instance handle a
// Windows program is loaded at, the plain show command, and the folder that the program's build
// or installation puts the show's files in.
#include "launcher/Launch.h"
#include "platform/sys/Files.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#ifndef QUEN_EXEC_TO_DATA
#error "QUEN_EXEC_TO_DATA, the installed files' folder seen from the program's, is set by the build"
#endif

int main(int argc, char** argv)
{
    sys::OpenMissingStandardStreams();
    // A build folder (CMake's cache beside the program) uses the source tree's assets/ beside
    // it; an installed program the installation's share/quen.
    std::vector<std::filesystem::path> builtIn;
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
    {
        const std::filesystem::path folder = program.parent_path();
        builtIn = {std::filesystem::exists(folder / "CMakeCache.txt", error)
                       ? folder.parent_path() / "assets"
                       : (folder / QUEN_EXEC_TO_DATA).lexically_normal()};
    }
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000});
    return launch::Run(argc, argv, instance, SW_SHOWNORMAL, builtIn);
}
