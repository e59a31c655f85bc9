// JPEG decoding for VornGFX::LoadJPEG.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// A decoded picture as 32-bit pixels (red bits 16-23, green 8-15, blue 0-7), rows packed.
struct DecodedPicture
{
    int width = 0;
    int height = 0;
    std::unique_ptr<std::uint32_t[]> pixels;
};

// Largest picture accepted, in pixels; checked from the header before anything is allocated.
constexpr long long MaxJpegPixels = 64LL * 1000 * 1000;

// Decodes `file` whole. Returns false with a short reason (for example "file not found",
// "not a JPEG file", "truncated or corrupt data", "not enough memory") when the picture cannot
// be used.
bool DecodeJpegFile(const char* file, DecodedPicture& out, std::string& error);

// Pictures refused for "not enough memory" since the process started. The capture tool checks
// it after start-up: such a picture is black because of the machine, not of the file.
int PicturesWithoutMemory();
