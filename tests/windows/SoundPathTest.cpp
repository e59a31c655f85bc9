// The sound path of the Windows build on its own: the MP3 decoded through the Audio Compression
// Manager, the FMOD calls over waveOut, and files that are missing or not music.
//
// Usage:
//   quen-sound-test MUSIC.mp3 REFERENCE.raw
//     Decodes MUSIC.mp3 and compares it with REFERENCE.raw, the music decoded by another
//     decoder with the encoder's delay and padding cut (16-bit little-endian stereo samples);
//     plays it briefly through the FMOD calls; checks that missing and garbage files give no
//     stream.
//   quen-sound-test --play MUSIC.mp3 MILLISECONDS
//     Plays MUSIC.mp3, looping, through the FMOD calls for that long.
//   quen-sound-test --played OUTPUT.raw REFERENCE.raw
//     Checks that what the audio device received (OUTPUT.raw) is the music (REFERENCE.raw) from
//     its first sample on, looped without a gap.
#include "platform/windows/Mp3Acm.h"
#include "tests/windows/Check.h"

#include <fmod.h>

#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

using wintest::Check;

namespace
{

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
    Check(pcm.rate == 44100 && pcm.channels == 2, "44.1 kHz stereo");
    const std::vector<std::int16_t> other = ReadSamples(reference);
    Check(pcm.samples.size() == other.size(),
          "without the encoder's delay and padding: " + std::to_string(pcm.Frames()) +
              " frames, as many as the reference decoding");
    double sum = 0;
    int peak = 0, largest = 0;
    for (std::size_t i = 0; i < pcm.samples.size(); ++i)
    {
        sum += static_cast<double>(pcm.samples[i]) * pcm.samples[i];
        peak = std::max(peak, std::abs(static_cast<int>(pcm.samples[i])));
        if (i < other.size())
            largest = std::max(largest, std::abs(pcm.samples[i] - other[i]));
    }
    const double rms =
        std::sqrt(sum / static_cast<double>(std::max<std::size_t>(pcm.samples.size(), 1)));
    Check(rms > 300 && peak > 3000,
          "not silent: rms " + std::to_string(rms) + ", peak " + std::to_string(peak));
    // Decoders round differently; a misplaced start would differ by about the music's level.
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
    const auto start = std::chrono::steady_clock::now();
    const bool closed = FSOUND_Stream_Close(stream) == 1;
    FSOUND_Close();
    Check(closed && std::chrono::steady_clock::now() - start < std::chrono::seconds(3),
          "FSOUND_Stream_Close and FSOUND_Close stop it at once");
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

int PlayFor(const char* music, int ms)
{
    FSOUND_Init(44100, 32, 2);
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(music, FSOUND_LOOP_NORMAL, 0);
    FSOUND_Stream_Play(0, stream);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    FSOUND_Stream_Close(stream);
    FSOUND_Close();
    return stream != nullptr ? 0 : 1;
}

// Wine's audio thread writes whole periods of silence (10 ms each) when the program's sound has
// not reached it in time, which happens because the recording device takes sound faster than
// real time. Such inserted periods are skipped; the music must go on after them where it left
// off. Decoders round differently: a few steps of difference are the same sample.
void ReceivedTheMusicLooping(const char* output, const char* reference)
{
    std::vector<std::int16_t> played = ReadSamples(output);
    const std::vector<std::int16_t> music = ReadSamples(reference);
    // Stopping may leave silence that the audio system wrote after the last sound.
    while (!played.empty() && played.back() == 0)
        played.pop_back();
    if (!Check(played.size() >= 2 && music.size() >= 2, "the audio device received sound"))
        return;
    const std::size_t frames = played.size() / 2, musicFrames = music.size() / 2, period = 441;
    auto zero = [&](std::size_t f) { return played[2 * f] == 0 && played[2 * f + 1] == 0; };
    std::size_t f = 0, m = 0, inserted = 0;
    while (f < frames)
    {
        const std::size_t at = 2 * (m % musicFrames);
        if (std::abs(played[2 * f] - music[at]) <= 16 &&
            std::abs(played[2 * f + 1] - music[at + 1]) <= 16)
        {
            ++f, ++m;
            continue;
        }
        // Quiet music matches silence for a while: the run may have begun before this frame.
        std::size_t begin = f, end = f;
        while (begin > 0 && f - begin < m && zero(begin - 1))
            --begin;
        while (end < frames && zero(end))
            ++end;
        if (!zero(f) || (end - begin) % period != 0)
            break;
        m -= f - begin;
        inserted += (end - begin) / period;
        f = end;
    }
    std::printf("  received %zu frames of music (%.2f times its length), %zu periods of silence "
                "inserted\n",
                m, static_cast<double>(m) / static_cast<double>(musicFrames), inserted);
    Check(f == frames, f == frames ? "the music from its first sample on, looped without a gap"
                                   : "it differs from the music at frame " + std::to_string(f) +
                                         " (music frame " + std::to_string(m % musicFrames) + ")");
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc == 4 && mode == "--play")
        return PlayFor(argv[2], std::atoi(argv[3]));
    if (argc == 4 && mode == "--played")
    {
        ReceivedTheMusicLooping(argv[2], argv[3]);
    }
    else if (argc == 3 && !mode.starts_with("-"))
    {
        DecodesTheMusic(argv[1], argv[2]);
        PlaysThroughFmodCalls(argv[1]);
        RefusesWhatIsNotMusic(argv[1]);
    }
    else
    {
        std::fprintf(stderr, "usage: quen-sound-test MUSIC.mp3 REFERENCE.raw\n"
                             "       quen-sound-test --play MUSIC.mp3 MILLISECONDS\n"
                             "       quen-sound-test --played OUTPUT.raw REFERENCE.raw\n");
        return 2;
    }
    return wintest::Summary();
}
