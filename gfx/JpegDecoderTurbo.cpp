// JPEG decoding with libjpeg-turbo's TurboJPEG API: accurate integer DCT and fancy upsampling
// (its defaults), warnings treated as errors, progressive scans limited.
#include "gfx/JpegDecoder.h"

#include <turbojpeg.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{

// Pictures arrive as files of at most this many bytes; more is not a picture the demo uses.
constexpr long MaxJpegFileBytes = 64L * 1024 * 1024;

bool ReadWholeFile(const char* file, std::vector<unsigned char>& data, std::string& error)
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
        error = "cannot read the file";
    else if (data.empty())
    {
        error = "empty file";
        ok = false;
    }
    return ok;
}

struct Decompressor
{
    tjhandle handle = tjInitDecompress();
    ~Decompressor()
    {
        if (handle != nullptr)
            tjDestroy(handle);
    }
};

} // namespace

bool DecodeJpegFile(const char* file, DecodedPicture& out, std::string& error)
{
    std::vector<unsigned char> data;
    if (!ReadWholeFile(file, data, error))
        return false;
    if (data.size() < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF)
    {
        error = "not a JPEG file";
        return false;
    }
    Decompressor jpeg;
    if (jpeg.handle == nullptr)
    {
        error = "cannot start the JPEG decoder";
        return false;
    }
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(jpeg.handle, data.data(), static_cast<unsigned long>(data.size()),
                            &width, &height, &subsampling, &colorspace) != 0)
    {
        error = std::string("bad JPEG header (") + tjGetErrorStr2(jpeg.handle) + ")";
        return false;
    }
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > MaxJpegPixels ||
        width > 65535 || height > 65535)
    {
        error = "picture too large (" + std::to_string(width) + "x" + std::to_string(height) + ")";
        return false;
    }
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    const int flags = TJFLAG_ACCURATEDCT | TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
    if (tjDecompress2(jpeg.handle, data.data(), static_cast<unsigned long>(data.size()), rgb.data(),
                      width, 0, height, TJPF_RGB, flags) != 0)
    {
        error = std::string("cannot decode (") + tjGetErrorStr2(jpeg.handle) + ")";
        return false;
    }
    out.width = width;
    out.height = height;
    out.pixels.reset(new std::uint32_t[static_cast<std::size_t>(width) * height]);
    const unsigned char* p = rgb.data();
    for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i, p += 3)
        out.pixels[i] = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    return true;
}
