// Process entry on platforms without WinMain: runs the demo's WinMain and returns its code.
#include <windows.h>

#include <string>

int main(int argc, char** argv)
{
    std::string commandLine;
    for (int i = 1; i < argc; ++i)
        commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000});
    return WinMain(instance, nullptr, commandLine.data(), SW_SHOWNORMAL);
}
