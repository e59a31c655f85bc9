// JPEG decoding with libjpeg-turbo's TurboJPEG API: accurate integer DCT and fancy upsampling
// (its defaults), warnings treated as errors, progressive scans limited. Colour, greyscale and
// CMYK pictures are all turned into RGB. Every build decodes with this same library, so every
// build loads the same pixels.
#include "gfx/JpegDecoder.h"

#include "platform/sys/Files.h"

#include <turbojpeg.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace
{

// Pictures arrive as files of at most this many bytes; more is not a picture the demo uses.
constexpr std::size_t MaxJpegFileBytes = 64UL * 1024 * 1024;

// Reads a whole file that starts like a JPEG file into `data`. Returns false with a short reason
// ("file not found", "empty file", "file too large", "not a JPEG file", ...) otherwise.
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

// Whether the header carries Adobe's APP14 marker. CMYK pictures with it (as Photoshop and
// libjpeg write them) store inverted inks, 255 meaning none; without it, 255 means full ink.
bool HasAdobeMarker(const std::vector<unsigned char>& data)
{
    std::size_t at = 2; // after SOI
    while (at + 4 <= data.size() && data[at] == 0xFF)
    {
        const unsigned char marker = data[at + 1];
        if (marker == 0xFF) // fill byte
        {
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // scan data or end: no more header markers
            break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) // markers without a length
        {
            at += 2;
            continue;
        }
        const std::size_t length = std::size_t{data[at + 2]} << 8 | data[at + 3];
        if (length < 2)
            break;
        if (marker == 0xEE && length >= 7 && at + 9 <= data.size() &&
            std::memcmp(&data[at + 4], "Adobe", 5) == 0)
            return true;
        at += 2 + length;
    }
    return false;
}

// One CMYK pixel as RGB: each channel is what its ink and the black ink leave of full light.
std::uint32_t CmykToRgb(const unsigned char* cmyk, bool inverted)
{
    const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
    auto channel = [&](unsigned char ink)
    {
        const unsigned light = inverted ? ink : 255u - ink;
        return (light * k + 127) / 255;
    };
    return channel(cmyk[0]) << 16 | channel(cmyk[1]) << 8 | channel(cmyk[2]);
}

int picturesWithoutMemory = 0;

bool OutOfMemory(DecodedPicture& out, std::string& error)
{
    out.pixels.reset();
    ++picturesWithoutMemory;
    error = "not enough memory";
    return false;
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

int PicturesWithoutMemory()
{
    return picturesWithoutMemory;
}

bool DecodeJpegFile(const char* file, DecodedPicture& out, std::string& error)
{
    std::vector<unsigned char> data;
    if (!ReadJpegFile(file, data, error))
    {
        if (error == "not enough memory")
            ++picturesWithoutMemory;
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
    // TurboJPEG converts colour and greyscale to RGB itself, CMYK and YCCK only to CMYK.
    const bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
    const int format = cmyk ? TJPF_CMYK : TJPF_RGB;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    // Left uninitialised: the decoder writes every byte or fails. A picture within the size
    // limit may still need more memory than there is: refused like any picture not usable.
    std::unique_ptr<unsigned char[]> decoded(
        new (std::nothrow) unsigned char[count * tjPixelSize[format]]);
    out.pixels.reset(new (std::nothrow) std::uint32_t[count]);
    if (decoded == nullptr || out.pixels == nullptr)
        return OutOfMemory(out, error);
    const int flags = TJFLAG_ACCURATEDCT | TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
    if (tjDecompress2(jpeg.handle, data.data(), static_cast<unsigned long>(data.size()),
                      decoded.get(), width, 0, height, format, flags) != 0)
    {
        // libjpeg's "Insufficient memory (case N)", TurboJPEG's "Memory allocation failure".
        const std::string reason = tjGetErrorStr2(jpeg.handle);
        if (reason.find("memory") != std::string::npos)
            return OutOfMemory(out, error);
        out.pixels.reset();
        error = "cannot decode (" + reason + ")";
        return false;
    }
    out.width = width;
    out.height = height;
    const unsigned char* p = decoded.get();
    if (cmyk)
    {
        const bool inverted = HasAdobeMarker(data);
        for (std::size_t i = 0; i < count; ++i, p += 4)
            out.pixels[i] = CmykToRgb(p, inverted);
    }
    else
    {
        for (std::size_t i = 0; i < count; ++i, p += 3)
            out.pixels[i] = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    }
    return true;
}
