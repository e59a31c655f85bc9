// PNG files of captured frames: 8-bit RGB, written through libpng.
#pragma once

#include "tools/capture/FramePipeline.h"

#include <filesystem>

namespace capture
{

// zlib level of the frames. With the Up filter that WritePng uses, level 1 encodes a frame of
// the show in about half the time of libpng's defaults (level 6, adaptive filters) and the
// files come out about a fifth larger.
constexpr int DefaultPngCompression = 1;

// Writes `frame` as an 8-bit RGB PNG to `path`, under a temporary name renamed when complete.
// Throws CaptureError naming the file if it cannot be written. Safe to call from several
// threads at once for different paths.
void WritePng(const FrameImage& frame, const std::filesystem::path& path,
              int compression = DefaultPngCompression);

} // namespace capture
