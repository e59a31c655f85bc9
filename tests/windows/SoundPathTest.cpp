// The sound path of the Windows build on its own: the MP3 decoded through the Audio Compression
// Manager, the FMOD calls over waveOut, and files that are missing or not music.
//
// Usage: quen-sound-test MUSIC.mp3 REFERENCE.raw
//   REFERENCE.raw: the music decoded by another decoder with the encoder's delay and padding
//   cut (16-bit little-endian stereo samples).
#include "platform/windows/Mp3Acm.h"

#include <fmod.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace
{

// Each check prints one line, PASS or FAIL, and counts; main ends with the summary line.
int passed = 0, failed = 0;
bool Check(bool ok, const std::string& what)
{
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what.c_str());
    std::fflush(stdout);
    ++(ok ? passed : failed);
    return ok;
}

std::vector<std::int16_t> ReadSamples(const char* file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), 2 * samples.size()); // both little-endian
    return samples;
}

void DecodesTheMusic(const char* music, const char* reference)
{
    acm::Pcm pcm;
    std::string error;
    if (!Check(acm::DecodeMp3File(music, pcm, error), std::string("ACM decodes ") + music + error))
        return;
    const std::vector<std::int16_t> other = ReadSamples(reference);
    Check(pcm.rate == 44100 && pcm.channels == 2 && pcm.samples.size() == other.size(),
          "44.1 kHz stereo without the encoder's delay and padding: " +
              std::to_string(pcm.Frames()) + " frames, as many as the reference decoding");
    int largest = 0;
    for (std::size_t i = 0; i < std::min(pcm.samples.size(), other.size()); ++i)
        largest = std::max(largest, std::abs(pcm.samples[i] - other[i]));
    // Decoders round differently; silence, or a misplaced start, would differ by about the
    // music's level.
    Check(largest <= 64, "sample for sample the reference decoding: largest difference " +
                             std::to_string(largest));
}

void PlaysThroughFmodCalls(const char* music)
{
    std::printf("  FSOUND_Init: %d (0: no audio output, silent)\n", FSOUND_Init(44100, 32, 2));
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(music, FSOUND_LOOP_NORMAL, 0);
    Check(stream != nullptr, "FSOUND_Stream_OpenFile opens the music");
    Check(FSOUND_Stream_Play(0, stream) == 0, "FSOUND_Stream_Play starts it on channel 0");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Check(FSOUND_Stream_Close(stream) == 1, "FSOUND_Stream_Close stops it");
    FSOUND_Close();
}

void RefusesWhatIsNotMusic(const char* music)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("quen-sound-test-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(dir);
    std::mt19937 random(12345);
    std::string noise(64 * 1024, '\0'), head(400, '\0');
    for (char& byte : noise)
        byte = static_cast<char>(random());
    // The tags and the first bytes of a frame: no whole frame of sound.
    std::ifstream(music, std::ios::binary).read(head.data(), static_cast<long>(head.size()));
    const std::pair<const char*, std::string> files[] = {
        {"noise.mp3", noise}, {"text.mp3", "not music\n"}, {"empty.mp3", ""}, {"cut.mp3", head}};
    for (const auto& [name, bytes] : files)
        std::ofstream(dir / name, std::ios::binary) << bytes;

    FSOUND_Init(44100, 32, 2);
    for (const char* name : {"missing.mp3", "noise.mp3", "text.mp3", "empty.mp3", "cut.mp3"})
    {
        FSOUND_STREAM* stream =
            FSOUND_Stream_OpenFile((dir / name).string().c_str(), FSOUND_LOOP_NORMAL, 0);
        if (!Check(stream == nullptr, std::string("no stream from ") + name))
            FSOUND_Stream_Close(stream);
    }
    Check(FSOUND_Stream_Play(0, nullptr) == -1 && FSOUND_Stream_Close(nullptr) == 0,
          "FSOUND_Stream_Play and FSOUND_Stream_Close accept a null stream");
    FSOUND_Close();
    std::filesystem::remove_all(dir);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: quen-sound-test MUSIC.mp3 REFERENCE.raw\n");
        return 2;
    }
    DecodesTheMusic(argv[1], argv[2]);
    PlaysThroughFmodCalls(argv[1]);
    RefusesWhatIsNotMusic(argv[1]);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
