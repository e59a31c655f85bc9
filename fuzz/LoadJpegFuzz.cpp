// libFuzzer target: the graphics device's LoadJPEG of arbitrary bytes into a 400x300 surface,
// as start-up loads the pictures. The device loads by file name, so each input goes through
// a file in a folder of this process's own.
#include "gfx/VornGFX.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{
VornGFX* device = nullptr;
IDirectDrawSurface7* surface = nullptr;
std::string folder, file;

void RemoveFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quen-fuzz-jpeg-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        std::abort();
    folder = pattern;
    file = folder + "/picture.jpg";
    std::atexit(RemoveFolder);
    device = new VornGFX(800, 600, 32, 1, 2);
    device->CreateSurface(400, 300, &surface);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(data), size))
        std::abort();
    device->LoadJPEG(file.c_str(), surface);
    return 0;
}
