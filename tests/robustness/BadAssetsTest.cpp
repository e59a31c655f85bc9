// The demo's six input files, each in each state a user could leave it in, one at a time: the
// show starts, plays frames across the whole schedule and shuts down; a bad file costs exactly
// one line on stderr naming it and its picture stays black (its music silent), while files that
// are merely unusual (progressive, greyscale, CMYK, another size, a WAV) are used. Then a long
// run: drawing allocates nothing.
#include "platform/headless/Headless.h"
#include "platform/music/MusicDecoder.h"
#include "tools/session/ShowSession.h"
#include "platform/win32-standin/Win32Control.h"
#include "support/PictureFiles.h"
#include "shell/Demo.h"
#include "show/ShowState.h"
#include "support/AllocationCounter.h"
#include "support/TestAssets.h"
#include "timeline/Schedule.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

namespace
{

using namespace picturefiles;

// The five pictures: file, size of its surface, the surface. Seed i is Pictures[i]'s.
struct PictureFile
{
    std::string name;
    int width, height;
    IDirectDrawSurface7** surface;
};
const PictureFile Pictures[5] = {{"initial.jpg", 400, 300, &SurfInitial},
                                 {"j1.jpg", 400, 300, &SurfJ1},
                                 {"j2.jpg", 400, 300, &SurfJ2},
                                 {"j3.jpg", 400, 300, &SurfJ3},
                                 {"scroller.jpg", 400, 600, &SurfScroller}};
const std::string Music = "zeft.mp3";

Bytes GoodFile(int index) // 5: the music
{
    if (index < 5)
        return MakeJpeg(Pictures[index].width, Pictures[index].height, Smooth(index));
    std::ifstream in(QUEN_ASSETS_DIR "/zeft.mp3", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool IsBlack(const IDirectDrawSurface7* surface)
{
    const std::uint32_t* p = surface->Pixels.get();
    return std::all_of(p, p + std::size_t{surface->Width} * surface->Height,
                       [](std::uint32_t v) { return (v & 0xFFFFFFu) == 0; });
}

// Good pictures and music in a scratch folder, and the show run in it headless.
class ShowTest : public ::testing::Test
{
  protected:
    static constexpr DWORD StartTicks = 7000;
    testassets::ScratchDir dir{"robust"};

    void SetUp() override
    {
        win32::ResetState();
        headless::Reset();
        for (int i = 0; i < 6; ++i)
            Put(i < 5 ? Pictures[i].name : Music, GoodFile(i));
    }

    void Put(const std::string& name, const Bytes& bytes) // into the scratch folder
    {
        testassets::WriteFile(dir / name, bytes);
    }

    // StartDemo, `afterStartUp`, one frame for each of 249 times spread over the opening and
    // a scroller cycle, StopDemo. Returns the lines printed on stderr meanwhile.
    std::vector<std::string> Run(const std::function<void()>& afterStartUp)
    {
        testassets::ScopedChdir in(dir);
        ::testing::internal::CaptureStderr();
        {
            session::ShowSession show(StartTicks);
            afterStartUp();
            for (DWORD i = 0; i < 249; ++i) // steps 0 to 2399, the opening and a scroller cycle
                show.Render(i * 482 + i % 7 * 3);
        }
        std::istringstream err(::testing::internal::GetCapturedStderr());
        std::vector<std::string> lines;
        for (std::string line; std::getline(err, line);)
            lines.push_back(line);
        return lines;
    }
};

// Each state of an input file and why a picture or the music in it is refused ("": it is used;
// null: the state is not one of that kind of file). What is not a regular file is refused at
// once: a named pipe without a writer would otherwise block start-up for good. A truncated MP3
// plays what is there, and so does one of a single frame (looped without end, it is decoded
// once); a WAV saved under the MP3's name is played unless its header is absurd (a rate of
// 1.28 GHz, as a fuzzer made it). A picture within the size limit that needs more memory than
// there is (here: any allocation above 4 MB fails) is refused like a bad one.
struct InputState
{
    std::string name;
    const char* picture;
    const char* music;
};
constexpr std::size_t MemoryLeft = 4 << 20;
const InputState States[] = {
    {"Missing", "file not found", "file not found"},
    {"Empty", "empty file", "empty file"},
    {"Truncated", "cannot decode", ""},
    {"RandomBytes", "not a JPEG file", "not an MP3 stream"},
    {"NamedPipe", "not a regular file", "not a regular file"},
    {"Folder", "is a folder", "is a folder"},
    {"DevZero", "not a regular file", "not a regular file"},
    {"PngRenamed", "not a JPEG file", nullptr},
    {"HugeHeader", "picture too large (60000x60000)", nullptr},
    {"OutOfMemory", "not enough memory", nullptr},
    {"Progressive", "", nullptr},
    {"Greyscale", "", nullptr},
    {"AdobeCmyk", "", nullptr},
    {"AdobeYcck", "", nullptr},
    {"PlainCmyk", "", nullptr},
    {"Larger", "", nullptr},
    {"Smaller", "", nullptr},
    {"OneFrame", nullptr, ""},
    {"WavRenamed", nullptr, ""},
    {"WavAbsurdRate", nullptr, "WAV format that cannot be played"},
};

// The bytes of file `index` (5: the music) in `state`, when it is a regular file.
Bytes Content(int index, const std::string& state)
{
    Bytes good = GoodFile(index);
    const int w = index < 5 ? Pictures[index].width : 0, h = index < 5 ? Pictures[index].height : 0;
    const Pattern colour = Smooth(index);
    if (state == "Empty")
        return {};
    if (state == "Truncated")
        return Bytes(good.begin(), good.begin() + good.size() / 2);
    if (state == "OneFrame") // the tag, LAME's header frame and one frame of sound
        return Bytes(good.begin(), good.begin() + 1245);
    if (state == "RandomBytes")
        return RandomBytes(index < 5 ? 20000 : 200000, index);
    if (state.starts_with("Wav"))
        return MakeWav(200, state == "WavRenamed" ? 44100 : 1281774439);
    if (state == "PngRenamed")
        return MakePng(w, h);
    if (state == "HugeHeader")
        return WithHugeHeader(good);
    if (state == "OutOfMemory") // 2000x1500: 9 MB decoded
        return MakeJpeg(5 * w, 5 * h, [&](int x, int y) { return colour(x / 5, y / 5); });
    if (state == "Larger")
        return MakeJpeg(2 * w, 2 * h, [&](int x, int y) { return colour(x / 2, y / 2); });
    if (state == "Smaller")
        return MakeJpeg(w / 2, h / 2, [&](int x, int y) { return colour(2 * x, 2 * y); });
    return MakeJpeg(w, h, colour, state);
}

// Mean over pixels and channels of the absolute difference from the pattern, or if `grey`
// from its luma, a pixel that is not grey counting as a difference of 1000.
double MeanDifference(const IDirectDrawSurface7* s, const Pattern& colour, bool grey)
{
    double sum = 0;
    for (int i = 0; i < s->Width * s->Height; ++i)
    {
        const std::uint32_t got = s->Pixels[i], want = colour(i % s->Width, i / s->Width);
        const double luma =
            0.299 * (want >> 16) + 0.587 * (want >> 8 & 0xFF) + 0.114 * (want & 0xFF);
        for (int shift : {16, 8, 0})
            sum += std::abs(double(got >> shift & 0xFF) - (grey ? luma : want >> shift & 0xFF)) +
                   (grey && (got >> shift & 0xFF) != (got & 0xFF) ? 1000 : 0);
    }
    return sum / (3.0 * s->Width * s->Height);
}

using Case = std::pair<int, const InputState*>; // the file (5: the music), its state

class InputFile : public ShowTest, public ::testing::WithParamInterface<Case>
{
};

// The file is used, or refused with one line, its picture black or its music silent; the show
// plays either way.
TEST_P(InputFile, IsUsedOrRefusedWithOneLine)
{
    const auto [index, state] = GetParam();
    const std::string name = index < 5 ? Pictures[index].name : Music, path = dir / name;
    std::filesystem::remove(path);
    if (state->name == "NamedPipe")
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    else if (state->name == "Folder")
        std::filesystem::create_directory(path);
    else if (state->name == "DevZero")
        std::filesystem::create_symlink("/dev/zero", path);
    else if (state->name != "Missing")
        Put(name, Content(index, state->name));
    const std::string reason = index < 5 ? state->picture : state->music;
    const bool refused = !reason.empty();
    int playing = -1;
    testalloc::FailLargerThan(state->name == "OutOfMemory" ? MemoryLeft : 0);
    const std::vector<std::string> lines = Run(
        [&]
        {
            for (int i = 0; i < 5; ++i) // the others loaded, this one black if refused
                EXPECT_EQ(IsBlack(*Pictures[i].surface), i == index && refused) << i;
            EXPECT_EQ(IsBlack(SurfStrip), index == 4 && refused);
            if (index < 5 && !refused)
            {
                EXPECT_LE(MeanDifference(*Pictures[index].surface, Smooth(index),
                                         state->name == "Greyscale"),
                          1.5);
            }
            EXPECT_EQ(MusicStream == nullptr, index == 5 && refused);
            playing = headless::MusicPlaying();
            testalloc::FailLargerThan(0);
        });
    EXPECT_EQ(playing, index == 5 && refused ? 0 : 1);
    EXPECT_EQ(headless::MusicPlaying(), 0);
    EXPECT_EQ(VornGFX::DevicesAlive(), 0);
    // One line naming the file and the reason; absurd sizes are refused by their headers,
    // not by an allocation failing.
    ASSERT_EQ(lines.size(), refused ? 1u : 0u) << ::testing::PrintToString(lines);
    const std::string start = index < 5 ? "quen: cannot load picture \"" + name + "\": "
                                        : "quen: cannot open music \"" + name + "\": ";
    for (const std::string& line : lines)
        EXPECT_TRUE(line.starts_with(start) && line.find(reason) != std::string::npos &&
                    line.find("Out of memory") == std::string::npos)
            << line;
}

// Every state of every file it applies to, named like "j2_Truncated".
std::vector<Case> Cases()
{
    std::vector<Case> cases;
    for (const InputState& state : States)
        for (int index = 0; index < 6; ++index)
            if ((index < 5 ? state.picture : state.music) != nullptr)
                cases.emplace_back(index, &state);
    return cases;
}
std::string CaseName(const ::testing::TestParamInfo<Case>& info)
{
    const int index = info.param.first;
    const std::string& file = index < 5 ? Pictures[index].name : Music;
    return file.substr(0, file.find('.')) + "_" + info.param.second->name;
}
INSTANTIATE_TEST_SUITE_P(, InputFile, ::testing::ValuesIn(Cases()), CaseName);

// A WAV is held whole, at most MaxHeldSeconds of it: a longer one plays its first ten minutes
// (looped, as any music) after one line saying so; one whose header claims more than the file
// holds plays what it holds. The longest is the file that once crashed SDL's converter, given
// 94 MB of 8 kHz sound at once.
TEST(LongWav, PlaysAtMostTenMinutes)
{
    constexpr std::uint32_t Rate = 44100;
    const std::tuple<std::uint32_t, std::uint32_t, std::uint32_t> cases[] = {
        // seconds in the file, seconds its header claims (0: the same), seconds played
        {11800, 0, music::MaxHeldSeconds},
        {5, 11800, 5},
    };
    testassets::ScratchDir dir{"wav"};
    const std::string file = dir / "zeft.mp3";
    for (const auto& [seconds, claimed, played] : cases)
    {
        SCOPED_TRACE(std::to_string(seconds) + " s");
        testassets::WriteFile(file, MakeLongWav(seconds, claimed));
        ::testing::internal::CaptureStderr();
        const auto track = music::Track::Load(file.c_str(), Rate);
        const std::string said = ::testing::internal::GetCapturedStderr();
        ASSERT_NE(track, nullptr) << said;
        const bool cut = played < seconds;
        EXPECT_EQ(track->Cut(), cut);
        EXPECT_EQ(said, cut ? "quen: music \"" + file +
                                  "\" lasts more than 10 minutes; only its first 10 play\n"
                            : "");
        // Its sound ends where it should: the last frame that is not silent (SDL's resampler
        // keeps back the last 64 ms of a file it converts).
        music::Player player(track, false);
        std::vector<std::int16_t> second(2 * Rate);
        std::size_t last = 0;
        for (std::size_t at = 0; at < std::size_t(played + 1) * Rate; at += Rate)
        {
            player.Read(second.data(), Rate);
            for (std::size_t i = 0; i < Rate; ++i)
                if (second[2 * i] != 0)
                    last = at + i;
        }
        EXPECT_NEAR(double(last), double(played) * Rate, Rate / 10.0);
    }
}

using LongRun = ShowTest;

TEST_F(LongRun, TenThousandFramesAcrossTheScheduleAllocateNothing)
{
#if defined(__SANITIZE_ADDRESS__) // ten times slower, the same allocations
    constexpr DWORD frames = 2500;
#else
    constexpr DWORD frames = 10000;
#endif
    constexpr DWORD lastStep = ShowCycleSteps + ScrollPeriod + 99; // two scroller cycles
    constexpr DWORD span = lastStep * StepMilliseconds;
    testassets::ScopedChdir in(dir);
    const long beforeStart = testalloc::Count();
    session::ShowSession show(StartTicks);
    EXPECT_GT(testalloc::Count(), beforeStart); // the counter counts
    const long before = testalloc::Count();
    for (DWORD i = 0; i < frames; ++i)
        show.Render(span * i / (frames - 1));
    EXPECT_EQ(testalloc::Count() - before, 0) << "heap allocations while drawing frames";
}

} // namespace
