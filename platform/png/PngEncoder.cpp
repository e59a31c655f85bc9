#include "platform/png/PngEncoder.h"

#include <libdeflate.h>

#include <cstring>

namespace png
{

namespace
{

void PutBigEndian(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

void PackRow(const std::uint32_t* pixel, std::size_t width, unsigned char* out)
{
    for (std::size_t x = 0; x < width; ++x, out += 3)
    {
        const std::uint32_t p = pixel[x];
        out[0] = static_cast<unsigned char>(p >> 16);
        out[1] = static_cast<unsigned char>(p >> 8);
        out[2] = static_cast<unsigned char>(p);
    }
}

void PackRow(const std::uint32_t* pixel, const std::uint32_t* above, std::size_t width,
             unsigned char* out)
{
    for (std::size_t x = 0; x < width; ++x, out += 3)
    {
        const std::uint32_t p = pixel[x], q = above[x];
        out[0] = static_cast<unsigned char>((p >> 16) - (q >> 16));
        out[1] = static_cast<unsigned char>((p >> 8) - (q >> 8));
        out[2] = static_cast<unsigned char>(p - q);
    }
}

// Fills in the length and CRC of the chunk whose type starts at `type`, `length` data bytes on.
void SealChunk(unsigned char* type, std::size_t length)
{
    PutBigEndian(type - 4, static_cast<std::uint32_t>(length));
    PutBigEndian(type + 4 + length, libdeflate_crc32(0, type, 4 + length));
}

} // namespace

void Encoder::FreeCompressor::operator()(libdeflate_compressor* compressor) const
{
    libdeflate_free_compressor(compressor);
}

Encoder::Encoder() = default;
Encoder::~Encoder() = default;

std::span<const unsigned char> Encoder::Encode(const std::uint32_t* pixels, int width, int height,
                                               long pitch, const Encoding& encoding)
{
    if (level_ != encoding.level)
    {
        compressor_.reset(libdeflate_alloc_compressor(encoding.level));
        level_ = compressor_ ? encoding.level : -1;
        if (!compressor_)
            return {};
    }
    // The frame's words hold 0x00RRGGBB; each row becomes its filter byte and R, G, B (the
    // differences from the row above when filtered Up).
    const std::size_t columns = std::size_t(width), rowBytes = 1 + 3 * columns;
    const std::size_t words = std::size_t(pitch) / 4;
    rows_.resize(rowBytes * std::size_t(height));
    for (std::size_t y = 0; y < std::size_t(height); ++y)
    {
        const std::uint32_t* pixel = pixels + y * words;
        unsigned char* out = rows_.data() + y * rowBytes;
        if (encoding.upFilter && y > 0)
        {
            *out++ = 2;
            PackRow(pixel, pixel - words, columns, out);
        }
        else
        {
            *out++ = 0;
            PackRow(pixel, columns, out);
        }
    }

    // Signature, IHDR, one IDAT with the compressed rows, IEND.
    static constexpr unsigned char Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    constexpr std::size_t HeaderBytes = 8 + 25 + 8;
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor_.get(), rows_.size());
    if (file_.size() < HeaderBytes + bound + 4 + 12)
        file_.resize(HeaderBytes + bound + 4 + 12);
    std::memcpy(file_.data(), Signature, 8);
    unsigned char* header = file_.data() + 12;
    std::memcpy(header, "IHDR", 4);
    PutBigEndian(header + 4, static_cast<std::uint32_t>(width));
    PutBigEndian(header + 8, static_cast<std::uint32_t>(height));
    const unsigned char depthColourMethods[5] = {8, 2, 0, 0, 0}; // 8-bit RGB, not interlaced
    std::memcpy(header + 12, depthColourMethods, 5);
    SealChunk(header, 13);
    unsigned char* data = file_.data() + HeaderBytes - 4;
    std::memcpy(data, "IDAT", 4);
    const std::size_t packed =
        libdeflate_zlib_compress(compressor_.get(), rows_.data(), rows_.size(), data + 4, bound);
    SealChunk(data, packed);
    unsigned char* end = data + 4 + packed + 4 + 4;
    std::memcpy(end, "IEND", 4);
    SealChunk(end, 0);
    return {file_.data(), std::size_t(end + 8 - file_.data())};
}

} // namespace png
