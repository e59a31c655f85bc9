// Picture and sound files made in memory, good and bad, for the robustness tests and the fuzz
// targets' seeds: JPEGs of every common kind, a PNG, WAVs and random bytes.
#pragma once

// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace picturefiles
{

using Bytes = std::vector<unsigned char>;
using Pattern = std::function<std::uint32_t(int x, int y)>; // colour of (x, y) as 0xRRGGBB

// A smooth picture (gradients and slow waves), different for each seed.
inline Pattern Smooth(int seed)
{
    return [seed](int x, int y) -> std::uint32_t
    {
        auto wave = [](double v) { return static_cast<unsigned>(127.5 + 127.5 * std::sin(v)); };
        return wave(x * 0.011 + y * 0.004 + seed) << 16 |
               wave(y * 0.013 - x * 0.003 + 2.0 * seed) << 8 | wave((x + y) * 0.007 + 3.0 * seed);
    };
}

// JPEGs as cameras and print software write them: Baseline (4:4:4, as the show's own pictures),
// Progressive, Greyscale, and CMYK with the usual under-colour removal as AdobeCmyk or AdobeYcck
// (Adobe marker, inverted inks) or PlainCmyk (inks stored as they are).
inline Bytes MakeJpeg(int width, int height, const Pattern& colour,
                      const std::string& kind = "Baseline", int quality = 95)
{
    const bool cmyk = kind.ends_with("Cmyk") || kind == "AdobeYcck",
               inverted = kind.starts_with("Adobe");
    const int n = cmyk ? 4 : 3;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * n);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const std::uint32_t c = colour(x, y);
            const int rgb[3] = {int(c >> 16 & 0xFF), int(c >> 8 & 0xFF), int(c & 0xFF)};
            const int k = 255 - std::max({rgb[0], rgb[1], rgb[2]});
            unsigned char* p = &pixels[(static_cast<std::size_t>(y) * width + x) * n];
            for (int i = 0; i < n; ++i) // inks such that (255 - ink) * (255 - k) / 255 = rgb
            {
                const int ink = i == 3     ? k
                                : k == 255 ? 0
                                           : (255 * (255 - k - rgb[i]) + (255 - k) / 2) / (255 - k);
                p[i] = !cmyk ? rgb[i] : inverted ? 255 - ink : ink;
            }
        }
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = n;
    info.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    if (kind == "Greyscale" || kind == "AdobeYcck")
        jpeg_set_colorspace(&info, kind == "Greyscale" ? JCS_GRAYSCALE : JCS_YCCK);
    info.write_Adobe_marker = inverted;
    jpeg_set_quality(&info, quality, TRUE);
    if (kind == "Baseline")
        info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
    if (kind == "Progressive")
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height)
    {
        JSAMPROW row = &pixels[static_cast<std::size_t>(info.next_scanline) * width * n];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    Bytes bytes(out, out + size);
    jpeg_destroy_compress(&info);
    std::free(out);
    return bytes;
}

// The JPEG with its frame header (FF C0, length, precision, height, width) claiming a picture
// of `size` x `size`: 60000, beyond the decoder's limit, unless told otherwise.
inline Bytes WithHugeHeader(Bytes jpeg, std::uint16_t size = 60000)
{
    const unsigned char sof[] = {0xFF, 0xC0};
    const unsigned char sides[4] = {
        static_cast<unsigned char>(size >> 8), static_cast<unsigned char>(size),
        static_cast<unsigned char>(size >> 8), static_cast<unsigned char>(size)};
    std::copy_n(sides, 4, std::search(jpeg.begin(), jpeg.end(), sof, sof + 2) + 5);
    return jpeg;
}

inline Bytes MakePng(int width, int height) // a grey picture
{
    const std::vector<unsigned char> grey(static_cast<std::size_t>(width) * height, 128);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    png_alloc_size_t size = grey.size() + 4096;
    Bytes bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, grey.data(), 0, nullptr))
        size = 0;
    bytes.resize(size);
    return bytes;
}

// 16-bit stereo PCM at 44.1 kHz, silent unless `sample` gives the value of each interleaved
// sample, whose header may claim another rate.
inline Bytes MakeWav(int milliseconds, std::uint32_t rate = 44100,
                     const std::function<std::int16_t(std::size_t)>& sample = {})
{
    const std::uint32_t data = 44100u * milliseconds / 1000 * 4;
    Bytes wav;
    wav.reserve(44 + data);
    auto put = [&](std::uint32_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            wav.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    auto text = [&](const char* s) { wav.insert(wav.end(), s, s + 4); };
    text("RIFF"), put(36 + data, 4), text("WAVE"), text("fmt "), put(16, 4);
    put(1, 2), put(2, 2), put(rate, 4), put(44100 * 4, 4), put(4, 2), put(16, 2); // PCM
    text("data"), put(data, 4);
    for (std::size_t i = 0; i < data / 2; ++i)
        put(static_cast<std::uint16_t>(sample ? sample(i) : 0), 2);
    return wav;
}

// 8-bit mono PCM at 8 kHz, a rising saw tooth, `seconds` long; its header claims
// `claimedSeconds` of sound where that is given (a file cut short).
inline Bytes MakeLongWav(std::uint32_t seconds, std::uint32_t claimedSeconds = 0)
{
    const std::uint32_t data = 8000 * seconds;
    const std::uint32_t claimed = 8000 * (claimedSeconds != 0 ? claimedSeconds : seconds);
    Bytes wav;
    wav.reserve(44 + data);
    auto put = [&](std::uint32_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            wav.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    auto text = [&](const char* s) { wav.insert(wav.end(), s, s + 4); };
    text("RIFF"), put(36 + claimed, 4), text("WAVE"), text("fmt "), put(16, 4);
    put(1, 2), put(1, 2), put(8000, 4), put(8000, 4), put(1, 2), put(8, 2); // PCM
    text("data"), put(claimed, 4);
    for (std::uint32_t i = 0; i < data; ++i)
        wav.push_back(static_cast<unsigned char>(i));
    return wav;
}

// Never starting like a JPEG or a sound file.
inline Bytes RandomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 generator(seed);
    Bytes bytes(count);
    for (unsigned char& b : bytes)
        b = static_cast<unsigned char>(generator());
    bytes[0] = 0x5A; // no JPEG, RIFF, Ogg, FLAC or MP3 frame starts with this byte
    return bytes;
}

} // namespace picturefiles
