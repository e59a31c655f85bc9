#include "support/TestAssets.h"

#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace testassets
{

std::string MakeScratchDir(const std::string& name)
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("quen-" + name + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a scratch folder");
    return pattern;
}

bool WriteJpeg(const std::string& path, int width, int height,
               const std::function<std::uint32_t(int, int)>& colour, int quality)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const std::uint32_t c = colour(x, y);
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<unsigned char>(c >> 16);
            p[1] = static_cast<unsigned char>(c >> 8);
            p[2] = static_cast<unsigned char>(c);
        }
    tjhandle tj = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const bool ok =
        tj != nullptr && tjCompress2(tj, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size,
                                     TJSAMP_444, quality, TJFLAG_ACCURATEDCT) == 0;
    if (ok)
        WriteFile(path, std::vector<unsigned char>(jpeg, jpeg + size));
    tjFree(jpeg);
    if (tj != nullptr)
        tjDestroy(tj);
    return ok;
}

void WriteDemoPictures(const std::string& dir)
{
    auto pattern = [](int seed)
    {
        return [seed](int x, int y) -> std::uint32_t
        {
            const unsigned r = static_cast<unsigned>(x * (seed + 1) + y / 2) & 0xFF;
            const unsigned g = static_cast<unsigned>(y * (seed + 2) + x / 3) & 0xFF;
            const unsigned b = static_cast<unsigned>((x + y) * 3 + seed * 50) & 0xFF;
            return (r << 16) | (g << 8) | b;
        };
    };
    const struct
    {
        const char* name;
        int width, height, seed;
    } pictures[] = {{"initial.jpg", 400, 300, 0},
                    {"j1.jpg", 400, 300, 1},
                    {"j2.jpg", 400, 300, 2},
                    {"j3.jpg", 400, 300, 3},
                    {"scroller.jpg", 400, 600, 4}};
    for (const auto& p : pictures)
        if (!WriteJpeg(dir + "/" + p.name, p.width, p.height, pattern(p.seed)))
            throw std::runtime_error(std::string("cannot write ") + p.name);
}

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        throw std::runtime_error("cannot write " + path);
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

ScopedChdir::ScopedChdir(const std::string& dir) : previous_(std::filesystem::current_path())
{
    std::filesystem::current_path(dir);
}

ScopedChdir::~ScopedChdir()
{
    std::filesystem::current_path(previous_);
}

} // namespace testassets
