// PNG files of captured frames: 8-bit RGB, one IDAT chunk compressed with libdeflate.
#pragma once

#include "tools/capture/FramePipeline.h"

#include <filesystem>
#include <span>
#include <vector>

namespace capture
{

// How the frames are compressed: libdeflate's level and the PNG row filter. Nearly all of the
// time goes to entropy coding; level 2 without a filter is as fast as any choice measured
// (bench/CaptureBench.cpp) and smaller than zlib's fastest level.
struct PngEncoding
{
    int level = 2;
    bool upFilter = false; // each row as its difference from the row above
};

// The complete PNG file of `frame`, in a buffer of the calling thread that the next call on
// the same thread reuses. Safe to call from several threads at once.
std::span<const unsigned char> EncodePng(const FrameImage& frame, const PngEncoding& encoding = {});

// Writes `frame` as an 8-bit RGB PNG to `path`, under a temporary name renamed when complete.
// Throws CaptureError naming the file and the system's reason if it cannot be written. Safe to
// call from several threads at once for different paths.
void WritePng(const FrameImage& frame, const std::filesystem::path& path,
              const PngEncoding& encoding = {});

} // namespace capture
