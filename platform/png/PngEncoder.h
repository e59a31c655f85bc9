// PNG files of frames: 8-bit RGB, one IDAT chunk compressed with libdeflate. The SDL services
// save the frame on screen with it (F12), the capture tool its stills.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct libdeflate_compressor;

namespace png
{

// How the rows are compressed: libdeflate's level and the PNG row filter.
struct Encoding
{
    int level = 2;
    bool upFilter = false; // each row as its difference from the row above
};

// Turns frames into PNG files, keeping its compressor and buffers from frame to frame. One
// thread at a time.
class Encoder
{
  public:
    Encoder();
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // The complete PNG file of a width x height frame of 32-bit pixels (red in bits 16-23,
    // green 8-15, blue 0-7), `pitch` bytes per row, in a buffer the next call reuses. Empty when
    // the compressor cannot be had (out of memory).
    std::span<const unsigned char> Encode(const std::uint32_t* pixels, int width, int height,
                                          long pitch, const Encoding& encoding = {});

  private:
    struct FreeCompressor
    {
        void operator()(libdeflate_compressor* compressor) const;
    };
    std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor_;
    int level_ = -1;
    std::vector<unsigned char> rows_; // filter byte and R, G, B for each row
    std::vector<unsigned char> file_; // kept at its largest size, so it is never zeroed again
};

} // namespace png
