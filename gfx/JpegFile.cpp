// Reading a picture file whole, before any decoder looks at it.
#include "gfx/JpegDecoder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace
{
// Pictures arrive as files of at most this many bytes; more is not a picture the demo uses.
constexpr long MaxJpegFileBytes = 64L * 1024 * 1024;
} // namespace

bool ReadJpegFile(const char* file, std::vector<unsigned char>& data, std::string& error)
{
    std::FILE* f = std::fopen(file, "rb");
    if (f == nullptr)
    {
        error = errno == ENOENT ? "file not found" : std::strerror(errno);
        return false;
    }
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok && size > MaxJpegFileBytes)
    {
        error = "file too large";
        std::fclose(f);
        return false;
    }
    if (ok)
    {
        data.resize(static_cast<std::size_t>(size));
        ok = size == 0 || std::fread(data.data(), 1, data.size(), f) == data.size();
    }
    std::fclose(f);
    if (!ok)
    {
        error = "cannot read the file";
        return false;
    }
    if (data.empty())
    {
        error = "empty file";
        return false;
    }
    // Every JPEG file starts with the start-of-image marker and another marker.
    if (data.size() < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF)
    {
        error = "not a JPEG file";
        return false;
    }
    return true;
}
