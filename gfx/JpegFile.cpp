// Reading a picture file whole, before any decoder looks at it.
#include "gfx/JpegDecoder.h"

#include "platform/sys/Files.h"

namespace
{
// Pictures arrive as files of at most this many bytes; more is not a picture the demo uses.
constexpr std::size_t MaxJpegFileBytes = 64UL * 1024 * 1024;
} // namespace

bool ReadJpegFile(const char* file, std::vector<unsigned char>& data, std::string& error)
{
    if (!sys::ReadWholeFile(file, MaxJpegFileBytes, data, error))
        return false;
    // Every JPEG file starts with the start-of-image marker and another marker.
    if (data.size() < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF)
    {
        error = "not a JPEG file";
        return false;
    }
    return true;
}
