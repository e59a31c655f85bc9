// What a recording of the demo's sound (SDL's disk audio driver: 16-bit stereo at 44.1 kHz)
// played, told as segments: silence, or a run of the music from some position on. Every window
// of the recording is looked up in the music as the demo decodes it, sample for sample.
//
// Usage: quen-music-story MUSIC RECORDING
// Prints "length MS" (the music's), then one line per segment of 200 ms or more:
//   music FROM TO POSITION   the recording from FROM to TO ms holds the music from POSITION ms
//   silence FROM TO
#include "platform/music/MusicDecoder.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

constexpr int Rate = 44100;
constexpr std::size_t Window = 1024; // frames compared
constexpr std::size_t Stride = 2205; // frames between windows: 50 ms

std::vector<std::int16_t> ReadFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes(std::istreambuf_iterator<char>(in), {});
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::int16_t(std::uint8_t(bytes[2 * i]) | std::uint8_t(bytes[2 * i + 1]) << 8);
    return samples;
}

// One pass of the music, as the demo's player decodes it: up to the first whole second of
// silence after its sound (the player gives silence past the end).
std::vector<std::int16_t> DecodeMusic(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
    std::string error;
    auto track = music::Track::Decode(std::move(bytes), true, Rate, error);
    if (track == nullptr)
    {
        std::fprintf(stderr, "quen-music-story: %s: %s\n", path, error.c_str());
        std::exit(2);
    }
    music::Player player(track, false);
    std::vector<std::int16_t> pcm, second(2 * Rate);
    for (int s = 0; s < 600; ++s)
    {
        player.Read(second.data(), Rate);
        bool silent = true;
        for (std::int16_t v : second)
            silent = silent && v == 0;
        if (silent)
            break;
        pcm.insert(pcm.end(), second.begin(), second.end());
    }
    while (pcm.size() >= 2 && pcm[pcm.size() - 1] == 0 && pcm[pcm.size() - 2] == 0)
        pcm.resize(pcm.size() - 2);
    return pcm;
}

bool Matches(const std::vector<std::int16_t>& music, const std::vector<std::int16_t>& rec,
             std::size_t p, std::size_t at)
{
    if ((p + Window) * 2 > music.size())
        return false;
    std::size_t i = 0;
    while (i < 2 * Window && music[2 * p + i] == rec[2 * at + i])
        ++i;
    return i == 2 * Window;
}

// The music frame whose next Window frames equal the recording's from frame `at`, tried at
// `guess` first; -1 for none.
long long Find(const std::vector<std::int16_t>& music, const std::vector<std::int16_t>& rec,
               std::size_t at, long long guess)
{
    if (guess >= 0 && Matches(music, rec, std::size_t(guess), at))
        return guess;
    for (std::size_t p = 0; (p + Window) * 2 <= music.size(); ++p)
        if (Matches(music, rec, p, at))
            return (long long)p;
    return -1;
}

long long Ms(long long frames)
{
    return frames * 1000 / Rate;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: quen-music-story MUSIC RECORDING\n");
        return 2;
    }
    const std::vector<std::int16_t> music = DecodeMusic(argv[1]);
    const std::vector<std::int16_t> rec = ReadFile(argv[2]);
    std::printf("length %lld\n", Ms((long long)music.size() / 2));

    // The current segment: its kind, first and last window, and for music its position at the
    // first window.
    enum Kind
    {
        None,
        Silence,
        Music
    } kind = None;
    long long first = 0, last = 0, position = 0;
    auto flush = [&]
    {
        if (kind != None && Ms(last + (long long)Stride - first) >= 200)
        {
            if (kind == Silence)
                std::printf("silence %lld %lld\n", Ms(first), Ms(last + Stride));
            else
                std::printf("music %lld %lld %lld\n", Ms(first), Ms(last + Stride), Ms(position));
        }
        kind = None;
    };
    for (std::size_t at = 0; (at + Window) * 2 <= rec.size(); at += Stride)
    {
        bool silent = true;
        for (std::size_t i = 0; i < 2 * Window && silent; ++i)
            silent = rec[2 * at + i] == 0;
        const long long a = (long long)at;
        const long long found =
            silent ? -1 : Find(music, rec, at, kind == Music ? position + (a - first) : -1);
        if (silent && kind == Silence)
            last = a;
        else if (!silent && found >= 0 && kind == Music && found == position + (a - first))
            last = a;
        else
        {
            flush();
            if (silent || found >= 0)
            {
                kind = silent ? Silence : Music;
                first = last = a;
                position = found;
            }
        }
    }
    flush();
    return 0;
}
