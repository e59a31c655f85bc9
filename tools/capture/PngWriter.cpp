#include "tools/capture/PngWriter.h"

#include "tools/capture/CaptureError.h"
#include "tools/capture/PendingFile.h"

#include <libdeflate.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace capture
{

namespace
{

struct FreeCompressor
{
    void operator()(libdeflate_compressor* compressor) const
    {
        libdeflate_free_compressor(compressor);
    }
};

// Each encoding thread keeps its compressor and buffers from frame to frame.
struct Encoder
{
    std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor;
    int level = -1;
    std::vector<unsigned char> rows; // filter byte and R, G, B for each row
    std::vector<unsigned char> file; // kept at its largest size, so it is never zeroed again
};

thread_local Encoder encoder;

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

std::span<const unsigned char> EncodePng(const FrameImage& frame, const PngEncoding& encoding)
{
    if (encoder.level != encoding.level)
    {
        encoder.compressor.reset(libdeflate_alloc_compressor(encoding.level));
        encoder.level = encoding.level;
        if (!encoder.compressor)
            throw CaptureError("out of memory for the PNG compressor");
    }
    // The frame's words hold 0x00RRGGBB; each row becomes its filter byte and R, G, B (the
    // differences from the row above when filtered Up).
    const std::size_t width = std::size_t(frame.width), rowBytes = 1 + 3 * width;
    encoder.rows.resize(rowBytes * std::size_t(frame.height));
    for (std::size_t y = 0; y < std::size_t(frame.height); ++y)
    {
        const std::uint32_t* pixel = frame.pixels.data() + y * width;
        unsigned char* out = encoder.rows.data() + y * rowBytes;
        if (encoding.upFilter && y > 0)
        {
            *out++ = 2;
            PackRow(pixel, pixel - width, width, out);
        }
        else
        {
            *out++ = 0;
            PackRow(pixel, width, out);
        }
    }

    // Signature, IHDR, one IDAT with the compressed rows, IEND.
    static constexpr unsigned char Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    constexpr std::size_t HeaderBytes = 8 + 25 + 8;
    const std::size_t bound =
        libdeflate_zlib_compress_bound(encoder.compressor.get(), encoder.rows.size());
    std::vector<unsigned char>& file = encoder.file;
    if (file.size() < HeaderBytes + bound + 4 + 12)
        file.resize(HeaderBytes + bound + 4 + 12);
    std::memcpy(file.data(), Signature, 8);
    unsigned char* header = file.data() + 12;
    std::memcpy(header, "IHDR", 4);
    PutBigEndian(header + 4, static_cast<std::uint32_t>(frame.width));
    PutBigEndian(header + 8, static_cast<std::uint32_t>(frame.height));
    const unsigned char depthColourMethods[5] = {8, 2, 0, 0, 0}; // 8-bit RGB, not interlaced
    std::memcpy(header + 12, depthColourMethods, 5);
    SealChunk(header, 13);
    unsigned char* data = file.data() + HeaderBytes - 4;
    std::memcpy(data, "IDAT", 4);
    const std::size_t packed = libdeflate_zlib_compress(
        encoder.compressor.get(), encoder.rows.data(), encoder.rows.size(), data + 4, bound);
    SealChunk(data, packed);
    unsigned char* end = data + 4 + packed + 4 + 4;
    std::memcpy(end, "IEND", 4);
    SealChunk(end, 0);
    return {file.data(), std::size_t(end + 8 - file.data())};
}

void WritePng(const FrameImage& frame, const std::filesystem::path& path,
              const PngEncoding& encoding)
{
    const std::span<const unsigned char> png = EncodePng(frame, encoding);
    PendingFile pending(path);
    const int descriptor = pending.TakeDescriptor();
    std::size_t done = 0;
    while (done < png.size())
    {
        const ssize_t written = ::write(descriptor, png.data() + done, png.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
        {
            const int error = errno;
            ::close(descriptor);
            throw CaptureError("cannot write " + path.string() + ": " + std::strerror(error));
        }
        done += std::size_t(written);
    }
    if (::close(descriptor) != 0)
        throw CaptureError("cannot write " + path.string() + ": " + std::strerror(errno));
    pending.Commit();
}

} // namespace capture
