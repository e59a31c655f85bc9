#include "robustness/BadInputs.h"

// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace badinputs
{

Bytes ReadFile(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        throw std::runtime_error("cannot read " + path);
    Bytes bytes;
    unsigned char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        throw std::runtime_error("cannot write " + path);
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok)
        throw std::runtime_error("cannot write " + path);
}

Pattern SmoothPattern(int seed)
{
    return [seed](int x, int y) -> std::uint32_t
    {
        auto wave = [](double v) { return static_cast<unsigned>(127.5 + 127.5 * std::sin(v)); };
        const unsigned r = wave(x * 0.011 + y * 0.004 + seed);
        const unsigned g = wave(y * 0.013 - x * 0.003 + 2.0 * seed);
        const unsigned b = wave((x + y) * 0.007 + 3.0 * seed);
        return (r << 16) | (g << 8) | b;
    };
}

namespace
{

std::vector<unsigned char> Rgb(int width, int height, const Pattern& colour)
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
    return rgb;
}

} // namespace

Bytes Jpeg(int width, int height, const Pattern& colour, int quality, Chroma chroma,
           bool progressive)
{
    const std::vector<unsigned char> rgb = Rgb(width, height, colour);
    const int subsampling = chroma == Chroma::Full   ? TJSAMP_444
                            : chroma == Chroma::Half ? TJSAMP_420
                                                     : TJSAMP_GRAY;
    const int flags = TJFLAG_ACCURATEDCT | (progressive ? TJFLAG_PROGRESSIVE : 0);
    tjhandle tj = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const bool ok = tj != nullptr && tjCompress2(tj, rgb.data(), width, 0, height, TJPF_RGB, &jpeg,
                                                 &size, subsampling, quality, flags) == 0;
    Bytes bytes;
    if (ok)
        bytes.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    if (tj != nullptr)
        tjDestroy(tj);
    if (!ok)
        throw std::runtime_error("cannot compress a test JPEG");
    return bytes;
}

Bytes CmykJpeg(int width, int height, const Pattern& colour, Cmyk kind, int quality)
{
    const bool inverted = kind != Cmyk::PlainCmyk;
    std::vector<unsigned char> cmyk(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const std::uint32_t c = colour(x, y);
            const int rgb[3] = {static_cast<int>(c >> 16 & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                                static_cast<int>(c & 0xFF)};
            const int k = 255 - std::max({rgb[0], rgb[1], rgb[2]});
            unsigned char* p = &cmyk[(static_cast<std::size_t>(y) * width + x) * 4];
            for (int i = 0; i < 3; ++i)
            {
                // Ink needed so that (255 - ink) * (255 - k) / 255 gives the channel back.
                const int ink =
                    k == 255 ? 0 : (255 * (255 - k - rgb[i]) + (255 - k) / 2) / (255 - k);
                p[i] = static_cast<unsigned char>(inverted ? 255 - ink : ink);
            }
            p[3] = static_cast<unsigned char>(inverted ? 255 - k : k);
        }

    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, kind == Cmyk::AdobeYcck ? JCS_YCCK : JCS_CMYK);
    cinfo.write_Adobe_marker = kind != Cmyk::PlainCmyk;
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height)
    {
        JSAMPROW row = &cmyk[static_cast<std::size_t>(cinfo.next_scanline) * width * 4];
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes bytes(out, out + size);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

Bytes WithFrameSize(Bytes jpeg, int width, int height)
{
    // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC): length, precision, height, width.
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i)
    {
        const unsigned char m = jpeg[i + 1];
        if (jpeg[i] == 0xFF && m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC)
        {
            jpeg[i + 5] = static_cast<unsigned char>(height >> 8);
            jpeg[i + 6] = static_cast<unsigned char>(height);
            jpeg[i + 7] = static_cast<unsigned char>(width >> 8);
            jpeg[i + 8] = static_cast<unsigned char>(width);
            return jpeg;
        }
    }
    throw std::runtime_error("no frame header in the test JPEG");
}

Bytes Png(int width, int height, const Pattern& colour)
{
    const std::vector<unsigned char> rgb = Rgb(width, height, colour);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr))
        throw std::runtime_error("cannot size the test PNG");
    Bytes bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr))
        throw std::runtime_error("cannot write the test PNG");
    bytes.resize(size);
    return bytes;
}

Bytes RandomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 generator(seed);
    Bytes bytes(count);
    for (unsigned char& b : bytes)
        b = static_cast<unsigned char>(generator());
    if (!bytes.empty())
        bytes[0] = 0x5A; // no JPEG, RIFF, Ogg, FLAC or MP3 frame starts with this byte
    return bytes;
}

Bytes FirstHalf(const Bytes& bytes)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
}

Bytes Wav(int milliseconds, int rate)
{
    const std::uint32_t frames =
        static_cast<std::uint32_t>(static_cast<long long>(rate) * milliseconds / 1000);
    const std::uint32_t dataBytes = frames * 4;
    Bytes wav;
    auto text = [&](const char* s)
    {
        for (int i = 0; i < 4; ++i)
            wav.push_back(static_cast<unsigned char>(s[i]));
    };
    auto u32 = [&](std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            wav.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    auto u16 = [&](unsigned v)
    {
        wav.push_back(static_cast<unsigned char>(v));
        wav.push_back(static_cast<unsigned char>(v >> 8));
    };
    text("RIFF");
    u32(36 + dataBytes);
    text("WAVE");
    text("fmt ");
    u32(16);
    u16(1); // PCM
    u16(2); // stereo
    u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate) * 4);
    u16(4);
    u16(16);
    text("data");
    u32(dataBytes);
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        const auto sample =
            static_cast<std::int16_t>(3000.0 * std::sin(i * 2.0 * M_PI * 440.0 / rate));
        u16(static_cast<std::uint16_t>(sample));
        u16(static_cast<std::uint16_t>(sample));
    }
    return wav;
}

} // namespace badinputs
