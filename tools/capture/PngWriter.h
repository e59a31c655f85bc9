// PNG files of captured frames, written with the demo's own encoder (8-bit RGB, libdeflate).
#pragma once

#include "platform/png/PngEncoder.h"
#include "tools/capture/FramePipeline.h"

#include <filesystem>
#include <span>
#include <vector>

namespace capture
{

// How the frames are compressed: libdeflate's level and the PNG row filter (the encoder the
// demo saves its screenshots with).
using PngEncoding = png::Encoding;

// The stills' encoding: libdeflate's level 2 on rows filtered Up (each the difference from the
// one above) makes smaller files than without a filter, and sooner: the show's pictures repeat
// much from row to row, and runs of zeros are quick to match (bench/CaptureBench.cpp).
constexpr PngEncoding StillsEncoding{2, true};

// The complete PNG file of `frame`, in a buffer of the calling thread that the next call on
// the same thread reuses. Safe to call from several threads at once.
std::span<const unsigned char> EncodePng(const FrameImage& frame,
                                         const PngEncoding& encoding = StillsEncoding);

// Writes `frame` as an 8-bit RGB PNG to `path`, under a temporary name renamed when complete.
// Throws CaptureError naming the file and the system's reason if it cannot be written. Safe to
// call from several threads at once for different paths.
void WritePng(const FrameImage& frame, const std::filesystem::path& path,
              const PngEncoding& encoding = StillsEncoding);

} // namespace capture
