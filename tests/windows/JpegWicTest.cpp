// JPEG loading of the Windows build: WIC decodes the pictures, bad files are refused with a
// reason and leave the surface black, and decoded pictures are written out as PPM files so
// that a script can compare them with the Linux build's decoder.
//
// Usage: quen-jpeg-test GOOD.jpg [OUTDIR PICTURE.jpg...]
//   GOOD.jpg:   a valid JPEG from which the bad files are made (cut, patched).
//   OUTDIR:     receives NAME.ppm for each PICTURE.jpg given after it.
#include "gfx/JpegDecoder.h"
#include "gfx/VornGFX.h"
#include "tests/windows/Check.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

using wintest::Check;

namespace
{

std::vector<unsigned char> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

bool WritePpm(const std::filesystem::path& path, const DecodedPicture& picture)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << picture.width << " " << picture.height << "\n255\n";
    for (long i = 0, n = static_cast<long>(picture.width) * picture.height; i < n; ++i)
    {
        const std::uint32_t p = picture.pixels[i];
        const char rgb[3] = {static_cast<char>(p >> 16), static_cast<char>(p >> 8),
                             static_cast<char>(p)};
        out.write(rgb, 3);
    }
    return static_cast<bool>(out);
}

void RefusesBadFiles(const std::filesystem::path& good, const std::filesystem::path& dir)
{
    const std::vector<unsigned char> bytes = ReadBytes(good);
    WriteBytes(dir / "empty.jpg", {});
    WriteBytes(dir / "half.jpg",
               std::vector<unsigned char>(bytes.begin(), bytes.begin() + bytes.size() / 2));
    WriteBytes(dir / "text.jpg", {'h', 'e', 'l', 'l', 'o', '\n'});
    // Claims 60000 x 60000 pixels: the frame size in the SOF0 marker patched.
    std::vector<unsigned char> huge = bytes;
    for (std::size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0)
        {
            huge[i + 5] = huge[i + 7] = 0xEA;
            huge[i + 6] = huge[i + 8] = 0x60;
            break;
        }
    WriteBytes(dir / "huge.jpg", huge);

    const struct
    {
        const char* name;
        const char* reason;
    } cases[] = {{"missing.jpg", "not found"},
                 {"empty.jpg", "empty"},
                 {"half.jpg", "truncated"},
                 {"text.jpg", "not a JPEG"},
                 {"huge.jpg", "too large"}};
    VornGFX device(800, 600, 32, 1, 2); // no window: headless
    IDirectDrawSurface7* surface = nullptr;
    device.CreateSurface(64, 64, &surface);
    for (const auto& c : cases)
    {
        DecodedPicture picture;
        std::string error;
        const bool decoded = DecodeJpegFile((dir / c.name).string().c_str(), picture, error);
        Check(!decoded && error.find(c.reason) != std::string::npos,
              std::string(c.name) + " refused: " + (decoded ? "decoded" : error));
        device.LoadJPEG((dir / c.name).string().c_str(), surface);
    }
    bool black = true;
    for (int i = 0; i < 64 * 64; ++i)
        black = black && surface->Pixels[i] == 0;
    Check(black, "the surface stays black after loading the bad files");
    device.ReleaseSurface(surface);
}

void LoadsOntoASurface(const std::filesystem::path& good)
{
    DecodedPicture picture;
    std::string error;
    if (!Check(DecodeJpegFile(good.string().c_str(), picture, error),
               "decodes " + good.string() + error))
        return;
    // A surface of the picture's own size receives the decoded pixels unchanged.
    VornGFX device(800, 600, 32, 1, 2);
    IDirectDrawSurface7* surface = nullptr;
    device.CreateSurface(static_cast<unsigned short>(picture.width),
                         static_cast<unsigned short>(picture.height), &surface);
    device.LoadJPEG(good.string().c_str(), surface);
    bool same = true, top = true;
    for (long i = 0, n = static_cast<long>(picture.width) * picture.height; i < n; ++i)
    {
        same = same && surface->Pixels[i] == picture.pixels[i];
        top = top && (picture.pixels[i] >> 24) == 0;
    }
    Check(same, "LoadJPEG puts the decoded pixels on a surface of the same size");
    Check(top, "bits 24-31 of decoded pixels are 0");
    device.ReleaseSurface(surface);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: quen-jpeg-test GOOD.jpg [OUTDIR PICTURE.jpg...]\n");
        return 2;
    }
    const std::filesystem::path good = argv[1];
    const std::filesystem::path outDir = argc > 2 ? argv[2] : "";
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() /
        ("quen-jpeg-test-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(scratch);
    if (!outDir.empty())
        std::filesystem::create_directories(outDir);

    RefusesBadFiles(good, scratch);
    LoadsOntoASurface(good);
    for (int i = 3; i < argc; ++i)
    {
        const std::filesystem::path file = argv[i];
        DecodedPicture picture;
        std::string error;
        const bool decoded = DecodeJpegFile(file.string().c_str(), picture, error);
        Check(decoded && WritePpm(outDir / file.filename().replace_extension(".ppm"), picture),
              "decodes " + file.filename().string() + " (" +
                  (decoded ? std::to_string(picture.width) + "x" + std::to_string(picture.height)
                           : error) +
                  ")");
    }

    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return wintest::Summary();
}
