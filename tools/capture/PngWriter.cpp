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
    char message[256] = {};
};

void OnPngError(png_structp png, png_const_charp message)
{
    auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
    std::snprintf(failure->message, sizeof failure->message, "%s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Encodes `frame` into an open file. libpng reports errors by longjmp, so only plain C data
// lives in this function; on failure it returns false with the reason in `failure`.
bool EncodePng(std::FILE* file, const FrameImage& frame, int compression, PngFailure* failure)
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
    png_init_io(png, file);
    png_set_compression_level(png, compression);
    // One fixed filter instead of trying all five on every row: most of the size at a fraction
    // of the time.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_IHDR(png, info, static_cast<png_uint_32>(frame.width),
                 static_cast<png_uint_32>(frame.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // The frame's 32-bit words hold 0x00RRGGBB; in memory that is B, G, R, unused on a
    // little-endian machine and unused, R, G, B on a big-endian one. libpng drops the unused
    // byte and puts the rest in R, G, B order as it writes.
    if constexpr (std::endian::native == std::endian::little)
    {
        png_set_bgr(png);
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    }
    else
    {
        png_set_filler(png, 0, PNG_FILLER_BEFORE);
    }
    for (int y = 0; y < frame.height; ++y)
    {
        const std::uint32_t* row = frame.pixels.data() + std::size_t(y) * std::size_t(frame.width);
        png_write_row(png, reinterpret_cast<png_const_bytep>(row));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

void WritePng(const FrameImage& frame, const std::filesystem::path& path, int compression)
{
    PendingFile pending(path);
    std::FILE* file = std::fopen(pending.TempPath().c_str(), "wb");
    if (file == nullptr)
        throw CaptureError("cannot write " + pending.TempPath().string() + ": " +
                           std::strerror(errno));
    PngFailure failure;
    const bool encoded = EncodePng(file, frame, compression, &failure);
    const bool closed = std::fclose(file) == 0;
    if (!encoded || !closed)
        throw CaptureError("cannot write " + path.string() + ": " +
                           (encoded ? std::string(std::strerror(errno)) : failure.message));
    pending.Commit();
}

} // namespace capture
