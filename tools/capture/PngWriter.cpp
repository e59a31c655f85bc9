#include "tools/capture/PngWriter.h"

#include "tools/capture/CaptureError.h"
#include "tools/capture/PendingFile.h"

#include <png.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace capture
{

namespace
{

// Where libpng's error handler leaves its message before jumping back.
struct PngFailure
{
    std::FILE* file = nullptr;
    char message[256] = {};
};

void OnPngError(png_structp png, png_const_charp message)
{
    auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
    std::snprintf(failure->message, sizeof failure->message, "%s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// libpng's own writer reports every failure as "Write Error"; this one gives the system's
// reason (no space left on device, file too large, ...).
void WriteData(png_structp png, png_bytep data, png_size_t length)
{
    auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
    if (std::fwrite(data, 1, length, failure->file) != length)
        png_error(png, std::strerror(errno));
}

void FlushData(png_structp) {}

// Encodes `frame` into an open file. libpng reports errors by longjmp, so only plain C data
// lives in this function; on failure it returns false with the reason in `failure`.
bool EncodePng(std::FILE* file, const FrameImage& frame, const PngEncoding& encoding,
               unsigned char* row, PngFailure* failure)
{
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, failure, OnPngError, OnPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr)
    {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(failure->message, sizeof failure->message, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    failure->file = file;
    png_set_write_fn(png, nullptr, WriteData, FlushData);
    png_set_compression_level(png, encoding.level);
    png_set_compression_strategy(png, encoding.strategy);
    // One fixed filter instead of trying all five on every row; larger IDAT chunks.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, encoding.filter);
    png_set_compression_buffer_size(png, 256 * 1024);
    png_set_IHDR(png, info, static_cast<png_uint_32>(frame.width),
                 static_cast<png_uint_32>(frame.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // The frame's 32-bit words hold 0x00RRGGBB: each row is packed into R, G, B bytes here, in
    // one plain loop, rather than through libpng's byte-order and filler transforms.
    for (int y = 0; y < frame.height; ++y)
    {
        const std::uint32_t* pixel =
            frame.pixels.data() + std::size_t(y) * std::size_t(frame.width);
        unsigned char* out = row;
        for (int x = 0; x < frame.width; ++x, out += 3)
        {
            out[0] = static_cast<unsigned char>(pixel[x] >> 16);
            out[1] = static_cast<unsigned char>(pixel[x] >> 8);
            out[2] = static_cast<unsigned char>(pixel[x]);
        }
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

void WritePng(const FrameImage& frame, const std::filesystem::path& path,
              const PngEncoding& encoding)
{
    PendingFile pending(path);
    std::FILE* file = ::fdopen(pending.TakeDescriptor(), "wb");
    if (file == nullptr)
        throw CaptureError("cannot write " + path.string() + ": " + std::strerror(errno));
    PngFailure failure;
    std::vector<unsigned char> row(std::size_t(frame.width) * 3);
    const bool encoded = EncodePng(file, frame, encoding, row.data(), &failure);
    const bool closed = std::fclose(file) == 0;
    if (!encoded || !closed)
        throw CaptureError("cannot write " + path.string() + ": " +
                           (encoded ? std::string(std::strerror(errno)) : failure.message));
    pending.Commit();
}

} // namespace capture
