// Damaged, unusual and foreign input files, made on the spot: the pictures and the music the
// demo reads, in every state a user or a broken download could leave them in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace badinputs
{

using Bytes = std::vector<unsigned char>;
// Colour of pixel (x, y) as 0xRRGGBB.
using Pattern = std::function<std::uint32_t(int x, int y)>;

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);

// A smooth picture (gradients and slow waves), different for each seed, so that small
// decoding differences and stretching barely change it.
Pattern SmoothPattern(int seed);

// JPEG writers. Quality 1..100.
enum class Chroma
{
    Full,      // 4:4:4
    Half,      // 4:2:0
    Greyscale, // one component
};
Bytes Jpeg(int width, int height, const Pattern& colour, int quality = 95,
           Chroma chroma = Chroma::Full, bool progressive = false);

// Four-component JPEGs as print software writes them, converted from RGB with the usual
// under-colour removal (black ink = 255 - brightest channel).
enum class Cmyk
{
    AdobeCmyk, // Adobe marker, inverted inks (Photoshop's way)
    AdobeYcck, // Adobe marker, inverted inks, YCCK colour transform
    PlainCmyk, // no Adobe marker, inks stored as they are
};
Bytes CmykJpeg(int width, int height, const Pattern& colour, Cmyk kind, int quality = 95);

// The same JPEG with the frame size in its SOF marker replaced; the rest is unchanged.
Bytes WithFrameSize(Bytes jpeg, int width, int height);

// A valid PNG picture.
Bytes Png(int width, int height, const Pattern& colour);

// `count` bytes from a seeded generator, never starting like a JPEG or any sound format.
Bytes RandomBytes(std::size_t count, unsigned seed);

// The first half of a file.
Bytes FirstHalf(const Bytes& bytes);

// A 16-bit stereo PCM WAV file of a quiet tone.
Bytes Wav(int milliseconds, int rate = 44100);

} // namespace badinputs
