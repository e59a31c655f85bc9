// The music in step with the show's clock: where a player resumes after jumps, stalls and
// pauses of the clock, and where a seek into a streamed MP3 lands.
#include "platform/music/MusicDecoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

constexpr int Rate = 44100;

// A WAV track at the output rate whose every frame names its own position: the left sample holds
// the position's low 14 bits with bit 14 set (never silence), the right one the rest, so any
// frame read says where it came from.
std::shared_ptr<const music::Track> CountingTrack(int seconds)
{
    const std::uint32_t frames = std::uint32_t(seconds) * Rate;
    std::vector<unsigned char> wav;
    auto put = [&](std::uint32_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            wav.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    auto tag = [&](const char* t) { wav.insert(wav.end(), t, t + 4); };
    tag("RIFF");
    put(36 + frames * 4, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2); // PCM
    put(2, 2);
    put(Rate, 4);
    put(Rate * 4, 4);
    put(4, 2);
    put(16, 2);
    tag("data");
    put(frames * 4, 4);
    for (std::uint32_t f = 0; f < frames; ++f)
    {
        put((f & 0x3FFF) | 0x4000, 2);
        put(f >> 14, 2);
    }
    std::string error;
    auto track = music::Track::Decode(std::move(wav), false, Rate, error);
    EXPECT_NE(track, nullptr) << error;
    return track;
}

// The position the first frame of `out` came from; -1 for silence.
long long PositionOf(const std::vector<std::int16_t>& out)
{
    if (out[0] == 0 && out[1] == 0)
        return -1;
    return (long long)(std::uint16_t(out[1])) << 14 | (std::uint16_t(out[0]) & 0x3FFF);
}

// One read of the player: the clock's reading, whether it is held, its jump count, and where the
// read must start (-1: silence).
struct Read
{
    std::uint32_t now;
    bool held;
    std::uint32_t jumps;
    long long from;
};

struct Story
{
    const char* name;
    int seconds; // the track's length
    std::vector<Read> reads;
};

// Reads of 441 frames (10 ms), the track started at tick 1000: position p ms into the track is
// frame p * 44.1. The output keeps pace with the clock here, so a resync lands on the clock's
// position exactly.
const std::vector<Story> Stories = {
    {"PlaysOnWithTheClock", 5, {{1000, false, 0, 0}, {1010, false, 0, 441}, {1020, false, 0, 882}}},
    {"AStallSkipsAheadAsIfItHadPlayedOn",
     5,
     {{1000, false, 0, 0}, {1010, false, 0, 441}, {4010, false, 0, 3010 * 441 / 10}}},
    {"AShortGapIsNoStall", 5, {{1000, false, 0, 0}, {1200, false, 0, 441}}},
    {"APauseIsSilentAndResumesInPlace",
     5,
     {{1000, false, 0, 0},
      {1010, true, 0, -1},
      {1010, true, 0, -1},
      {1010, false, 0, 441},
      {1020, false, 0, 882}}},
    {"AStartOffsetLandsWhereTheClockSays",
     5,
     {{1000, false, 0, 0}, {1100, false, 1, 100 * 441 / 10}}},
    {"PositionsWrapAtTheTracksLength",
     1,
     {{1000, false, 0, 0}, {1010, false, 0, 441}, {3510, false, 0, (2510 * 441 / 10) % Rate}}},
};

class ClockedMusic : public ::testing::TestWithParam<Story>
{
};

TEST_P(ClockedMusic, ReadsLandWhereTheClockSays)
{
    const Story& story = GetParam();
    music::ClockedPlayer player(CountingTrack(story.seconds), true, 1000, 0);
    std::vector<std::int16_t> out(2 * 441);
    for (const Read& read : story.reads)
    {
        player.Read(out.data(), 441, read.now, read.held, read.jumps);
        const long long at = PositionOf(out);
        EXPECT_EQ(at, read.from) << "at tick " << read.now;
    }
}

INSTANTIATE_TEST_SUITE_P(, ClockedMusic, ::testing::ValuesIn(Stories),
                         [](const auto& info) { return std::string(info.param.name); });

// A seek into the show's own MP3, decoded as it plays, gives what playing on to that point gives.
TEST(Mp3Seek, LandsOnTheSamplesPlayingWouldReach)
{
    std::ifstream in(QUEN_ASSETS_DIR "/zeft.mp3", std::ios::binary);
    std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
    std::string error;
    auto track = music::Track::Decode(std::move(bytes), true, Rate, error);
    ASSERT_NE(track, nullptr) << error;

    constexpr std::size_t Frames = 2048;
    for (const std::size_t target :
         {std::size_t{0}, std::size_t{Rate} * 7 + 123, std::size_t{Rate} * 20 + 5})
    {
        music::Player straight(track, true);
        std::vector<std::int16_t> skipped(2 * target + 2), expected(2 * Frames), got(2 * Frames);
        straight.Read(skipped.data(), target);
        straight.Read(expected.data(), Frames);

        music::Player seeking(track, true);
        seeking.Seek(target);
        seeking.Read(got.data(), Frames);
        // libmpg123 seeks sample-exactly through its frame index, decoding what the bit
        // reservoir needs first.
        EXPECT_EQ(got, expected) << "seek to " << target;
    }
}

} // namespace
