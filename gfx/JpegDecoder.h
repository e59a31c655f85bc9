// JPEG decoding for VornGFX::LoadJPEG. One implementation per platform's decoder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A decoded picture as 32-bit pixels (red bits 16-23, green 8-15, blue 0-7), rows packed.
struct DecodedPicture
{
    int width = 0;
    int height = 0;
    std::unique_ptr<std::uint32_t[]> pixels;
};

// Largest picture accepted, in pixels; checked from the header before anything is allocated.
constexpr long long MaxJpegPixels = 64LL * 1000 * 1000;

// Reads a whole file that starts like a JPEG file into `data`. Returns false with a short reason
// ("file not found", "empty file", "file too large", "not a JPEG file", ...) otherwise. Shared
// by the decoders.
bool ReadJpegFile(const char* file, std::vector<unsigned char>& data, std::string& error);

// Decodes `file` whole. Returns false with a short reason (for example "file not found",
// "not a JPEG file", "truncated or corrupt data") when the picture cannot be used.
bool DecodeJpegFile(const char* file, DecodedPicture& out, std::string& error);
