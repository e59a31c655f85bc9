// libFuzzer target: the music decoder as the sound services use it. Each input is opened as a
// file called *.mp3 would be (a WAV is still recognised by its content), and a track that opens
// is played, looping, for three seconds of sound, so that decoding, conversion and the loop's
// joint all run, not only the file's headers.
#include "platform/music/MusicDecoder.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string error;
    const auto track =
        music::Track::Decode(std::vector<unsigned char>(data, data + size), true, 44100, error);
    if (track == nullptr)
        return 0;
    music::Player player(track, true);
    std::vector<std::int16_t> buffer(2 * 2048);
    for (int i = 0; i < 64; ++i)
        player.Read(buffer.data(), 2048);
    return 0;
}
