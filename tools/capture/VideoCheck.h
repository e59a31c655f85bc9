// The check of a finished video: read back with ffprobe (and, for a lossless file, decoded by
// ffmpeg), it must hold what the tool sent: every frame at its rate, and the sound as long as
// the picture; a lossless file also every frame's exact pixels.
#pragma once

#include "tools/capture/FramePipeline.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace capture
{

// What the file should hold.
struct VideoExpectation
{
    std::uint32_t frames = 0;
    int fps = 60;
    int width = 800; // of the video, after enlarging
    int height = 600;
    bool sound = false;
    // For a lossless file: FrameHash of every frame in order; empty for a lossy one.
    std::vector<std::uint64_t> hashes;
};

// A hash of a frame's pixels as 8-bit R, G, B, enlarged `scale` times as the video enlarges it
// (nearest neighbour): equal to the hash of the decoded picture's packed RGB rows when every
// pixel is the same.
std::uint64_t FrameHash(const FrameImage& frame, int scale);

// The hash of a picture given as packed 8-bit RGB rows, `rowBytes` each, as a decoder gives it.
std::uint64_t RgbHash(const unsigned char* rgb, std::size_t rowBytes, std::size_t rows);

// Reads `file` back with `ffprobe` (and `ffmpeg` for the hashes). Empty when it holds what is
// expected; otherwise what is wrong, in words ("19 frames, not 20").
std::string CheckVideo(const std::filesystem::path& file, const VideoExpectation& expected,
                       const std::filesystem::path& ffprobe, const std::filesystem::path& ffmpeg);

} // namespace capture
