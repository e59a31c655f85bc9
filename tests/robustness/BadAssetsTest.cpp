// Each of the six input files in each state a user could leave it in, one at a time: the show
// starts, plays frames across the whole schedule and shuts down; a bad file costs exactly one
// line on stderr naming it and its picture stays black, while pictures that are merely unusual
// (progressive, greyscale, CMYK, another size) show their colours. Then all six bad at once in
// the real executable.
#include "robustness/ShowRun.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace
{

using namespace showrun;

// Why each unusable state of a picture is refused; the other states are merely unusual.
const std::map<std::string, std::string> Refused = {
    {"Missing", "file not found"},     {"Empty", "empty file"},
    {"Truncated", "cannot decode"},    {"RandomBytes", "not a JPEG file"},
    {"PngRenamed", "not a JPEG file"}, {"HugeHeader", "picture too large (60000x60000)"}};

Bytes Make(int index, const std::string& state)
{
    const int w = Pictures[index].width, h = Pictures[index].height;
    const Pattern colour = Smooth(index);
    Bytes good = GoodPicture(index);
    if (state == "Missing" || state == "Empty")
        return {};
    if (state == "Truncated")
        return Bytes(good.begin(), good.begin() + good.size() / 2);
    if (state == "RandomBytes")
        return RandomBytes(20000, index);
    if (state == "PngRenamed")
        return MakePng(w, h);
    if (state == "HugeHeader") // the frame header: FF C0, length, precision, height, width
    {
        const unsigned char sof[] = {0xFF, 0xC0};
        std::copy_n("\xEA\x60\xEA\x60", 4, std::search(good.begin(), good.end(), sof, sof + 2) + 5);
        return good;
    }
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
    for (int y = 0; y < s->Height; ++y)
        for (int x = 0; x < s->Width; ++x)
        {
            const std::uint32_t got = s->Pixels[y * s->Width + x], want = colour(x, y);
            const double luma =
                0.299 * (want >> 16 & 0xFF) + 0.587 * (want >> 8 & 0xFF) + 0.114 * (want & 0xFF);
            for (int shift : {16, 8, 0})
                sum += std::abs(double(got >> shift & 0xFF) -
                                (grey ? luma : double(want >> shift & 0xFF))) +
                       (grey && (got >> shift & 0xFF) != (got & 0xFF) ? 1000 : 0);
        }
    return sum / (3.0 * s->Width * s->Height);
}

// As many lines as reasons (none or one), starting with `start` and giving the reason; files
// claiming absurd sizes are refused by their headers, not by an allocation failing.
void ExpectLines(const std::vector<std::string>& lines, const std::string& start,
                 const std::string& reason)
{
    ASSERT_EQ(lines.size(), reason.empty() ? 0u : 1u) << ::testing::PrintToString(lines);
    for (const std::string& line : lines)
    {
        EXPECT_EQ(line.rfind(start, 0), 0u) << line;
        EXPECT_NE(line.find(reason), std::string::npos) << line;
        EXPECT_EQ(line.find("Out of memory"), std::string::npos) << line; // absurd sizes refused
    }
}

class Picture : public ShowTest, public ::testing::WithParamInterface<std::tuple<int, const char*>>
{
  protected:
    void RunAndCheck()
    {
        const auto [index, state] = GetParam();
        const std::string& file = Pictures[index].name;
        if (state == std::string("Missing"))
            std::filesystem::remove(dir + "/" + file);
        else
            Put(file, Make(index, state));
        const bool usable = !Refused.count(state);
        const std::vector<std::string> lines = Run(
            [&]
            {
                for (int i = 0; i < 5; ++i) // the others loaded, this one black if unusable
                    EXPECT_EQ(IsBlack(*Pictures[i].surface), i == index && !usable) << i;
                EXPECT_EQ(IsBlack(SurfStrip), index == 4 && !usable);
                if (usable)
                {
                    EXPECT_LE(MeanDifference(*Pictures[index].surface, Smooth(index),
                                             state == std::string("Greyscale")),
                              1.5);
                }
            });
        ExpectLines(
            lines, "quen: cannot load picture \"" + file + "\": ", usable ? "" : Refused.at(state));
        EXPECT_EQ(VornGFX::DevicesAlive(), 0);
    }
};

// Two suites, so that scripts/valgrind-lifecycle.sh can run the unusable ones under memcheck.
using UnusablePicture = Picture;
using UnusualPicture = Picture;
TEST_P(UnusablePicture, IsBlackAndReportedOnce)
{
    RunAndCheck();
}
TEST_P(UnusualPicture, ShowsItsColours)
{
    RunAndCheck();
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<int, const char*>>& info)
{
    const std::string& file = Pictures[std::get<0>(info.param)].name;
    return file.substr(0, file.find('.')) + "_" + std::get<1>(info.param);
}
INSTANTIATE_TEST_SUITE_P(, UnusablePicture,
                         ::testing::Combine(::testing::Range(0, 5),
                                            ::testing::Values("Missing", "Empty", "Truncated",
                                                              "RandomBytes", "PngRenamed",
                                                              "HugeHeader")),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(, UnusualPicture,
                         ::testing::Combine(::testing::Range(0, 5),
                                            ::testing::Values("Progressive", "Greyscale",
                                                              "AdobeCmyk", "AdobeYcck", "PlainCmyk",
                                                              "Larger", "Smaller")),
                         CaseName);

// Why each unplayable state of the music is refused. Inputs that are not regular files are
// refused at once: a named pipe without a writer would otherwise block start-up for good.
const std::map<std::string, std::string> MusicRefused = {
    {"Missing", "file not found"},        {"Empty", "empty file"},
    {"RandomBytes", "not an MP3 stream"}, {"WavAbsurdRate", "WAV format that cannot be played"},
    {"NamedPipe", "not a regular file"},  {"Folder", "is a folder"},
    {"DevZero", "not a regular file"}};

class BadMusic : public ShowTest, public ::testing::WithParamInterface<const char*>
{
};

// A truncated MP3 still plays what is there, and so does one of a single frame (looped without
// end, it is decoded once); a WAV saved under the MP3's name is recognised by its content and
// played, unless its header is absurd (a rate of 1.28 GHz, as a fuzzer made it). The rest is
// refused with one line.
TEST_P(BadMusic, ShowRunsWithWhatCanBePlayed)
{
    const std::string music = GetParam();
    std::ifstream in(dir + "/zeft.mp3", std::ios::binary);
    Bytes bytes{std::istreambuf_iterator<char>(in), {}};
    // The one-frame file: the tag, LAME's header frame and one frame of sound.
    bytes.resize(music == "Truncated" ? bytes.size() / 2 : music == "OneFrame" ? 1245 : 0);
    if (music == "RandomBytes")
        bytes = RandomBytes(200000, 9);
    if (music.starts_with("Wav"))
        bytes = MakeWav(200, music == "WavRenamed" ? 44100 : 1281774439);
    const std::string file = dir + "/zeft.mp3";
    if (music != "Missing" && music != "Empty" && bytes.empty()) // special files
        std::filesystem::remove(file);
    if (music == "NamedPipe")
        ASSERT_EQ(mkfifo(file.c_str(), 0644), 0);
    else if (music == "Folder")
        std::filesystem::create_directory(file);
    else if (music == "DevZero")
        std::filesystem::create_symlink("/dev/zero", file);
    else if (music == "Missing")
        std::filesystem::remove(file);
    else
        Put("zeft.mp3", bytes);
    const bool plays = !MusicRefused.count(music);
    int playing = -1;
    const std::vector<std::string> lines = Run(
        [&]
        {
            EXPECT_EQ(MusicStream != nullptr, plays);
            playing = headless::MusicPlaying();
        });
    EXPECT_EQ(playing, plays ? 1 : 0);
    EXPECT_EQ(headless::MusicPlaying(), 0);
    ExpectLines(lines,
                "quen: cannot open music \"zeft.mp3\": ", plays ? "" : MusicRefused.at(music));
}

INSTANTIATE_TEST_SUITE_P(, BadMusic,
                         ::testing::Values("Missing", "Empty", "Truncated", "OneFrame",
                                           "RandomBytes", "WavRenamed", "WavAbsurdRate",
                                           "NamedPipe", "Folder", "DevZero"),
                         [](const ::testing::TestParamInfo<const char*>& info)
                         { return std::string(info.param); });

using AllBad = ShowTest;

// On SDL's dummy drivers the demo runs until asked to stop (SIGTERM, which SDL turns into a
// close request), then exits with status 0, having printed one line for each file.
TEST_F(AllBad, TheDemoProcessRunsAndExitsWithStatusZero)
{
    const char* states[] = {"Empty", "RandomBytes", "PngRenamed", "Truncated", "HugeHeader"};
    for (int i = 0; i < 5; ++i)
        Put(Pictures[i].name, Make(i, states[i]));
    Put("zeft.mp3", RandomBytes(100000, 2));

    const auto start = std::chrono::steady_clock::now();
    // Three seconds are enough for start-up and many frames, even under the sanitizers.
    const int status =
        std::system(("cd '" + dir +
                     "' && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy"
                     " timeout --preserve-status -k 10 3 " QUEN_DEMO_PATH " 2>stderr.txt")
                        .c_str());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << "it stopped";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    std::ifstream in(dir + "/stderr.txt");
    const std::string err{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 6) << err;
    for (int i = 0; i < 6; ++i) // each file named once
    {
        const std::string quoted = '"' + (i < 5 ? Pictures[i].name : "zeft.mp3") + '"';
        EXPECT_NE(err.find(quoted), std::string::npos) << quoted << err;
        EXPECT_EQ(err.find(quoted), err.rfind(quoted)) << quoted << err;
    }
}

} // namespace
