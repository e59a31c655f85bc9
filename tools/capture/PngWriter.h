// PNG files of captured frames: 8-bit RGB, written through libpng.
#pragma once

#include "tools/capture/FramePipeline.h"

#include <filesystem>

namespace capture
{

// How the frames are compressed: zlib's level and strategy and libpng's row filter. zlib's
// fastest level and no filter: nearly all of the time goes to entropy coding, and every other
// choice measured (bench/CaptureBench.cpp) is slower for a few percent smaller files.
struct PngEncoding
{
    int level = 1;
    int strategy = 0;  // Z_DEFAULT_STRATEGY
    int filter = 0x08; // PNG_FILTER_NONE
};

// Writes `frame` as an 8-bit RGB PNG to `path`, under a temporary name renamed when complete.
// Throws CaptureError naming the file if it cannot be written. Safe to call from several
// threads at once for different paths.
void WritePng(const FrameImage& frame, const std::filesystem::path& path,
              const PngEncoding& encoding = {});

} // namespace capture
