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

// The complete PNG file of `frame`, in a buffer of the calling thread that the next call on
// the same thread reuses. Safe to call from several threads at once.
std::span<const unsigned char> EncodePng(const FrameImage& frame, const PngEncoding& encoding = {});

// Writes `frame` as an 8-bit RGB PNG to `path`, under a temporary name renamed when complete.
// Throws CaptureError naming the file and the system's reason if it cannot be written. Safe to
// call from several threads at once for different paths.
void WritePng(const FrameImage& frame, const std::filesystem::path& path,
              const PngEncoding& encoding = {});

} // namespace capture
