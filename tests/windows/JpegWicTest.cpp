// JPEG loading of the Windows build through WIC: bad files are refused with their reason and
// leave the surface black. (Good pictures are compared with the Linux build's decoder in
// frames_test.sh.)
//
// Usage: quen-jpeg-test GOOD.jpg
//   GOOD.jpg: a valid JPEG from which the bad files are made (cut, patched).
#include "gfx/JpegDecoder.h"
#include "gfx/VornGFX.h"
#include "tests/windows/Check.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using wintest::Check;

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: quen-jpeg-test GOOD.jpg\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("quen-jpeg-test-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(dir);
    std::ifstream in(argv[1], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Claims 60000 x 60000 pixels: the frame size in the SOF0 marker patched.
    std::string huge = bytes;
    huge.replace(huge.find("\xFF\xC0") + 5, 4, "\xEA\x60\xEA\x60");
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"empty.jpg", "", "empty"},
        {"half.jpg", bytes.substr(0, bytes.size() / 2), "truncated"},
        {"text.jpg", "hello\n", "not a JPEG"},
        {"huge.jpg", huge, "too large"},
        {"missing.jpg", "", "not found"}};
    VornGFX device(800, 600, 32, 1, 2); // no window: headless
    IDirectDrawSurface7* surface = nullptr;
    device.CreateSurface(64, 64, &surface);
    for (const auto& [name, content, reason] : cases)
    {
        const std::string path = (dir / name).string();
        if (name != "missing.jpg")
            std::ofstream(path, std::ios::binary) << content;
        DecodedPicture picture;
        std::string error;
        const bool decoded = DecodeJpegFile(path.c_str(), picture, error);
        Check(!decoded && error.find(reason) != std::string::npos,
              name + " refused: " + (decoded ? "decoded" : error));
        device.LoadJPEG(path.c_str(), surface);
    }
    Check(std::all_of(surface->Pixels.get(), surface->Pixels.get() + 64 * 64,
                      [](std::uint32_t p) { return p == 0; }),
          "the surface stays black after loading the bad files");
    device.ReleaseSurface(surface);
    std::filesystem::remove_all(dir);

    return wintest::Summary();
}
