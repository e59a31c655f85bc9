#include "support/TestAssets.h"

#include "support/PictureFiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace testassets
{

namespace
{
std::string MakeFolder(const std::string& name)
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("quen-" + name + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a scratch folder");
    return pattern;
}
} // namespace

ScratchDir::ScratchDir(const std::string& name) : path(MakeFolder(name)) {}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

void WriteDemoPictures(const std::filesystem::path& dir)
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
        WriteFile(dir / p.name, picturefiles::MakeJpeg(p.width, p.height, pattern(p.seed)));
}

void WriteFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        throw std::runtime_error("cannot write " + path.string());
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

ScopedChdir::ScopedChdir(const std::filesystem::path& dir)
    : previous_(std::filesystem::current_path())
{
    std::filesystem::current_path(dir);
}

ScopedChdir::~ScopedChdir()
{
    std::filesystem::current_path(previous_);
}

} // namespace testassets
