// MP3 decoding with the Audio Compression Manager's MPEG Layer-3 codec, which Windows ships.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace acm
{

// Decoded sound: 16-bit samples, channels interleaved.
struct Pcm
{
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;

    std::size_t Frames() const { return channels > 0 ? samples.size() / channels : 0; }
};

// What the file's frame headers and its encoder's tag say, before any decoding.
struct Mp3Layout
{
    int rate = 0;
    int channels = 0;
    int samplesPerFrame = 0;
    int firstBitrate = 0;        // kbit/s of the first audio frame
    std::size_t audioBegin = 0;  // byte offset of the first audio frame
    std::size_t audioEnd = 0;    // byte offset just past the last audio frame
    std::size_t audioFrames = 0; // frames that carry sound (a leading tag frame excluded)
    bool gapless = false;        // the encoder recorded its delay and padding
    int encoderDelay = 0;        // samples the encoder put before the sound
    int encoderPadding = 0;      // samples the encoder put after it
};

// Finds the MPEG-1/2/2.5 Layer III frames in `data` (ID3v2 tag skipped, a Xing/Info/LAME frame
// read and left out). Returns false with a reason when there are none.
bool ParseMp3(const std::vector<unsigned char>& data, Mp3Layout& layout, std::string& error);

// SoundWaveOut (opening a music stream) and the sound test: decodes a whole MP3 file to PCM.
// Where the encoder recorded its delay and padding, they are cut off along with the decoder's
// own delay of 529 samples, so that the sound loops without a gap. Returns false with a reason
// when the file is missing, is not an MP3 file or does not decode.
bool DecodeMp3File(const char* file, Pcm& out, std::string& error);

} // namespace acm
