// The sound path of the Windows build on its own: the MP3 decoded through the Audio Compression
// Manager, the five FMOD calls over waveOut, and files that are missing or not music.
//
// Usage:
//   quen-sound-test MUSIC.mp3 EXPECTED_FRAMES [REFERENCE.raw]
//     Decodes MUSIC.mp3 and checks its length (sample frames without the encoder's delay and
//     padding) and, given REFERENCE.raw, its samples; plays it briefly through the FMOD calls;
//     checks that missing and garbage files give no stream.
//   quen-sound-test --play MUSIC.mp3 MILLISECONDS
//     Plays MUSIC.mp3, looping, through the FMOD calls for that long.
//   quen-sound-test --played OUTPUT.raw REFERENCE.raw
//     Checks what the audio device received (OUTPUT.raw) against the music played
//     (REFERENCE.raw), repeated: it starts with the music's first sample and loops without a
//     gap.
// REFERENCE.raw: the music decoded by another decoder, 16-bit little-endian stereo samples.
#include "platform/windows/Mp3Acm.h"
#include "tests/windows/Check.h"

#include <fmod.h>

#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

using wintest::Check;

namespace
{

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

void WriteBytes(const std::filesystem::path& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::int16_t> ReadSamples(const char* file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                               (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return samples;
}

// Largest difference between a and b with b shifted by `shift` frames, over the frames both
// have.
int LargestDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b,
                      int channels, long shift)
{
    int largest = 0;
    const long frames = static_cast<long>(std::min(a.size(), b.size()) / channels);
    for (long f = std::max(0L, -shift); f < frames && f + shift < frames; ++f)
        for (int c = 0; c < channels; ++c)
            largest =
                std::max(largest, std::abs(a[f * channels + c] - b[(f + shift) * channels + c]));
    return largest;
}

void DecodesTheMusic(const char* music, unsigned long long expectedFrames, const char* reference)
{
    acm::Pcm pcm;
    std::string error;
    const auto start = Clock::now();
    const bool decoded = acm::DecodeMp3File(music, pcm, error);
    const long long ms = MillisecondsSince(start);
    if (!Check(decoded, std::string("ACM decodes ") + music + (decoded ? "" : ": " + error)))
        return;
    std::printf("  %d Hz, %d channels, %zu frames (%.3f s), decoded in %lld ms\n", pcm.rate,
                pcm.channels, pcm.Frames(), static_cast<double>(pcm.Frames()) / pcm.rate, ms);
    Check(pcm.rate == 44100 && pcm.channels == 2, "44.1 kHz stereo");
    Check(pcm.Frames() == expectedFrames,
          "length without the encoder's delay and padding: " + std::to_string(pcm.Frames()) +
              " frames, expected " + std::to_string(expectedFrames));

    double sum = 0;
    int peak = 0;
    for (std::int16_t s : pcm.samples)
    {
        sum += static_cast<double>(s) * s;
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    }
    const double rms =
        std::sqrt(sum / static_cast<double>(std::max<std::size_t>(pcm.samples.size(), 1)));
    std::printf("  level: rms %.0f, peak %d\n", rms, peak);
    Check(rms > 300 && peak > 3000, "the music is not silent");

    if (reference == nullptr)
        return;
    const std::vector<std::int16_t> other = ReadSamples(reference);
    Check(other.size() == pcm.samples.size(),
          "as long as the reference decoding (" + std::to_string(other.size() / 2) + " frames)");
    // Decoders round differently, so samples differ a little; a misplaced start would make
    // them differ by about the music's own level, and an offset of a few frames fit better.
    const int aligned = LargestDifference(pcm.samples, other, pcm.channels, 0);
    int nearby = 1 << 16;
    long nearbyShift = 0;
    for (long shift : {-1152L, -576L, -529L, -1L, 1L, 529L, 576L, 1152L})
    {
        const int d = LargestDifference(pcm.samples, other, pcm.channels, shift);
        if (d < nearby)
            nearby = d, nearbyShift = shift;
    }
    std::printf("  largest difference from the reference: %d aligned, %d at best when shifted "
                "(by %ld frames)\n",
                aligned, nearby, nearbyShift);
    Check(aligned <= 64 && aligned < nearby, "sample for sample the reference decoding");
}

void PlaysThroughFmodCalls(const char* music)
{
    auto start = Clock::now();
    const signed char init = FSOUND_Init(44100, 32, 2);
    std::printf("  FSOUND_Init: %d (%s) in %lld ms\n", init, init ? "audio output" : "silent",
                MillisecondsSince(start));
    start = Clock::now();
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(music, FSOUND_LOOP_NORMAL, 0);
    Check(stream != nullptr, "FSOUND_Stream_OpenFile opens the music (" +
                                 std::to_string(MillisecondsSince(start)) + " ms)");
    start = Clock::now();
    const int channel = FSOUND_Stream_Play(0, stream);
    Check(channel == 0, "FSOUND_Stream_Play starts it on channel 0 (" +
                            std::to_string(MillisecondsSince(start)) + " ms)");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    start = Clock::now();
    const signed char closed = FSOUND_Stream_Close(stream);
    FSOUND_Close();
    const long long ms = MillisecondsSince(start);
    Check(closed == 1 && ms < 3000,
          "FSOUND_Stream_Close and FSOUND_Close stop it (" + std::to_string(ms) + " ms)");
}

void RefusesWhatIsNotMusic(const char* music)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("quen-sound-test-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(dir);
    std::mt19937 random(12345);
    std::vector<unsigned char> noise(64 * 1024);
    for (unsigned char& b : noise)
        b = static_cast<unsigned char>(random());
    WriteBytes(dir / "noise.mp3", noise);
    WriteBytes(dir / "text.mp3", {'n', 'o', 't', ' ', 'm', 'u', 's', 'i', 'c', '\n'});
    WriteBytes(dir / "empty.mp3", {});
    // Only the tags and the first bytes of a frame: no whole frame of sound.
    {
        std::ifstream in(music, std::ios::binary);
        std::vector<unsigned char> head(400);
        in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(in.gcount()));
        WriteBytes(dir / "cut.mp3", head);
    }

    FSOUND_Init(44100, 32, 2);
    for (const char* name : {"missing.mp3", "noise.mp3", "text.mp3", "empty.mp3", "cut.mp3"})
    {
        const std::string path = (dir / name).string();
        FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(path.c_str(), FSOUND_LOOP_NORMAL, 0);
        Check(stream == nullptr, std::string("no stream from ") + name);
        if (stream != nullptr)
            FSOUND_Stream_Close(stream);
    }
    Check(FSOUND_Stream_Play(0, nullptr) == -1, "FSOUND_Stream_Play accepts a null stream");
    Check(FSOUND_Stream_Close(nullptr) == 0, "FSOUND_Stream_Close accepts a null stream");
    FSOUND_Close();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

// Plays `music` through the FMOD calls for `ms` milliseconds.
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

void ReceivedTheMusicLooping(const char* output, const char* reference)
{
    std::vector<std::int16_t> played = ReadSamples(output);
    const std::vector<std::int16_t> music = ReadSamples(reference);
    // Stopping may leave silence that the audio system wrote after the last sound.
    std::size_t end = played.size();
    while (end > 0 && played[end - 1] == 0)
        --end;
    const std::size_t silence = (played.size() - end) / 2;
    played.resize(end);
    if (!Check(played.size() >= 2 && music.size() >= 2, "the audio device received sound"))
        return;

    // Wine's audio thread writes whole periods of silence (10 ms each) when the program's sound
    // has not reached it in time, which happens because the recording device takes sound
    // faster than real time. Such inserted periods are skipped; the music must go on after them
    // where it left off. Decoders round differently: a few steps of difference are the same
    // sample.
    const std::size_t frames = played.size() / 2, musicFrames = music.size() / 2;
    const std::size_t period = 441; // 10 ms at 44.1 kHz
    auto zero = [&](std::size_t f) { return played[2 * f] == 0 && played[2 * f + 1] == 0; };
    int largest = 0;
    std::size_t f = 0, m = 0, insertedPeriods = 0, firstBad = frames;
    while (f < frames)
    {
        const std::size_t at = m % musicFrames;
        const int d = std::max(std::abs(played[2 * f] - music[2 * at]),
                               std::abs(played[2 * f + 1] - music[2 * at + 1]));
        if (d <= 16)
        {
            largest = std::max(largest, d);
            ++f, ++m;
            continue;
        }
        // Quiet music matches silence for a while: the run may have begun before this frame.
        std::size_t runStart = f, runEnd = f;
        while (runStart > 0 && f - runStart < m && zero(runStart - 1))
            --runStart;
        while (runEnd < frames && zero(runEnd))
            ++runEnd;
        const std::size_t run = runEnd - runStart;
        if (!zero(f) || run % period != 0)
        {
            firstBad = f;
            largest = std::max(largest, d);
            break;
        }
        m -= f - runStart;
        insertedPeriods += run / period;
        f = runEnd;
    }
    std::printf("  received %zu frames of music (%.2f times its length), %zu periods of silence "
                "inserted, %zu frames of silence at the end; largest difference %d\n",
                m, static_cast<double>(m) / static_cast<double>(musicFrames), insertedPeriods,
                silence, largest);
    Check(firstBad == frames,
          firstBad == frames ? "it is the music from its first sample on, looped without a gap"
                             : "it differs from the music at frame " + std::to_string(firstBad) +
                                   " (music frame " + std::to_string(m % musicFrames) + ", loop " +
                                   std::to_string(m / musicFrames) + ")");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--play")
        return PlayFor(argv[2], std::atoi(argv[3]));
    if (argc == 4 && std::string(argv[1]) == "--played")
    {
        ReceivedTheMusicLooping(argv[2], argv[3]);
        return wintest::Summary();
    }
    if (argc < 3 || argv[1][0] == '-')
    {
        std::fprintf(stderr, "usage: quen-sound-test MUSIC.mp3 EXPECTED_FRAMES [REFERENCE.raw]\n"
                             "       quen-sound-test --play MUSIC.mp3 MILLISECONDS\n"
                             "       quen-sound-test --played OUTPUT.raw REFERENCE.raw\n");
        return 2;
    }
    const char* music = argv[1];
    DecodesTheMusic(music, std::strtoull(argv[2], nullptr, 10), argc > 3 ? argv[3] : nullptr);
    PlaysThroughFmodCalls(music);
    RefusesWhatIsNotMusic(music);
    return wintest::Summary();
}
