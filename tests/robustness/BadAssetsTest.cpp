// Each of the six input files in each state a user could leave it in, one at a time: the show
// starts, plays frames across the whole schedule and shuts down; each bad file costs exactly
// one line on stderr naming it, its picture stays black, and pictures that are merely unusual
// (progressive, greyscale, CMYK, another size) are shown as they should be.
#include "robustness/ShowRun.h"

#include "gfx/JpegDecoder.h"
#include "platform/headless/Headless.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{

using badinputs::Bytes;
using showrun::PictureFile;

enum class PictureState
{
    Missing,
    Empty,
    TruncatedHalfway,
    RandomBytes,
    PngRenamed,
    HugeHeader, // a header claiming 60000 x 60000 pixels
    Progressive,
    Greyscale,
    CmykAdobe,
    YcckAdobe,
    Larger,
    Smaller,
};

const char* Name(PictureState s)
{
    switch (s)
    {
        case PictureState::Missing: return "Missing";
        case PictureState::Empty: return "Empty";
        case PictureState::TruncatedHalfway: return "TruncatedHalfway";
        case PictureState::RandomBytes: return "RandomBytes";
        case PictureState::PngRenamed: return "PngRenamed";
        case PictureState::HugeHeader: return "HugeHeader";
        case PictureState::Progressive: return "Progressive";
        case PictureState::Greyscale: return "Greyscale";
        case PictureState::CmykAdobe: return "CmykAdobe";
        case PictureState::YcckAdobe: return "YcckAdobe";
        case PictureState::Larger: return "Larger";
        case PictureState::Smaller: return "Smaller";
    }
    return "?";
}

bool Usable(PictureState s)
{
    return s >= PictureState::Progressive;
}

// Most that the picture on the surface may differ from the good picture's, as the mean over
// all pixels and channels of the absolute difference.
double Tolerance(PictureState s)
{
    switch (s)
    {
        case PictureState::Progressive: return 0.0; // the same coefficients, coded differently
        case PictureState::Greyscale: return 1.0;   // compared with the good picture's luma
        case PictureState::CmykAdobe: return 1.5;
        case PictureState::YcckAdobe: return 1.5;
        default: return 2.0; // resampled
    }
}

Bytes MakePicture(const PictureFile& p, PictureState s)
{
    const badinputs::Pattern colour = badinputs::SmoothPattern(p.seed);
    switch (s)
    {
        case PictureState::Missing:
        case PictureState::Empty: return {};
        case PictureState::TruncatedHalfway: return badinputs::FirstHalf(showrun::GoodPicture(p));
        case PictureState::RandomBytes:
            return badinputs::RandomBytes(20000, static_cast<unsigned>(p.seed));
        case PictureState::PngRenamed: return badinputs::Png(p.width, p.height, colour);
        case PictureState::HugeHeader:
            return badinputs::WithFrameSize(showrun::GoodPicture(p), 60000, 60000);
        case PictureState::Progressive:
            return badinputs::Jpeg(p.width, p.height, colour, 95, badinputs::Chroma::Full, true);
        case PictureState::Greyscale:
            return badinputs::Jpeg(p.width, p.height, colour, 95, badinputs::Chroma::Greyscale);
        case PictureState::CmykAdobe:
            return badinputs::CmykJpeg(p.width, p.height, colour, badinputs::Cmyk::AdobeCmyk);
        case PictureState::YcckAdobe:
            return badinputs::CmykJpeg(p.width, p.height, colour, badinputs::Cmyk::AdobeYcck);
        case PictureState::Larger:
            return badinputs::Jpeg(2 * p.width, 2 * p.height,
                                   [&](int x, int y) { return colour(x / 2, y / 2); });
        case PictureState::Smaller:
            return badinputs::Jpeg(p.width / 2, p.height / 2,
                                   [&](int x, int y) { return colour(2 * x, 2 * y); });
    }
    return {};
}

// Mean absolute channel difference between a surface and a decoded picture of its size;
// `luma` compares the decoded picture's brightness with the surface's red channel.
double MeanDifference(const IDirectDrawSurface7* s, const DecodedPicture& want, bool luma)
{
    double sum = 0;
    const std::size_t n = std::size_t{s->Width} * s->Height;
    for (std::size_t i = 0; i < n; ++i)
    {
        const std::uint32_t got = s->Pixels[i], exp = want.pixels[i];
        const int r = exp >> 16 & 0xFF, g = exp >> 8 & 0xFF, b = exp & 0xFF;
        if (luma)
            sum += std::abs(static_cast<int>(got >> 16 & 0xFF) -
                            static_cast<int>(std::lround(0.299 * r + 0.587 * g + 0.114 * b)));
        else
            sum += (std::abs(static_cast<int>(got >> 16 & 0xFF) - r) +
                    std::abs(static_cast<int>(got >> 8 & 0xFF) - g) +
                    std::abs(static_cast<int>(got & 0xFF) - b)) /
                   3.0;
    }
    return sum / static_cast<double>(n);
}

bool IsGrey(const IDirectDrawSurface7* s)
{
    for (std::size_t i = 0, n = std::size_t{s->Width} * s->Height; i < n; ++i)
    {
        const std::uint32_t p = s->Pixels[i];
        if ((p >> 16 & 0xFF) != (p >> 8 & 0xFF) || (p >> 8 & 0xFF) != (p & 0xFF))
            return false;
    }
    return true;
}

// Which picture alone makes up the frames of a step, if one does.
const char* OnlyPictureShown(DWORD step)
{
    if (step <= 249)
        return "initial.jpg"; // reveal wipe and fade to black
    if (step >= 672 && step <= 849)
        return "j3.jpg"; // sine row warp
    if (step >= 1300)
        return "scroller.jpg";
    return nullptr;
}

// Checks on every frame of a show in which the named picture (if any) is black: frames made
// of it alone are black, and the frames in the middle of each segment show something unless
// they are made of the black picture.
void CheckFrame(DWORD step, const char* blackPicture, int& failures)
{
    const bool black = showrun::IsBlack(GfxDevice->BackBuffer);
    const char* only = OnlyPictureShown(step);
    const bool mustBeBlack =
        (step >= 455 && step <= 456) ||
        (blackPicture != nullptr && only != nullptr && std::string(only) == blackPicture);
    const bool checkpoint = step == 150 || step == 230 || step == 350 || step == 760 ||
                            step == 900 || step == 1000 || step == 1750;
    if (mustBeBlack && !black)
    {
        ADD_FAILURE() << "step " << step << ": frame not black";
        ++failures;
    }
    if (checkpoint && !mustBeBlack && black)
    {
        ADD_FAILURE() << "step " << step << ": frame black";
        ++failures;
    }
}

// Exactly one line on stderr, from the demo, naming the file.
void ExpectOneLineNaming(const std::vector<std::string>& lines, const std::string& file,
                         const char* reason = nullptr)
{
    ASSERT_EQ(lines.size(), 1u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0].rfind("quen: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("\"" + file + "\""), std::string::npos) << lines[0];
    if (reason != nullptr)
    {
        EXPECT_NE(lines[0].find(reason), std::string::npos) << lines[0];
    }
}

using PictureCase = std::tuple<const char*, PictureState>;

class BadPicture : public showrun::ShowTest, public ::testing::WithParamInterface<PictureCase>
{
};

TEST_P(BadPicture, ShowRunsAndThePictureIsBlackOrShownAsIntended)
{
    const auto [file, state] = GetParam();
    const PictureFile& picture = showrun::Picture(file);
    // The good picture, decoded, to compare the loaded one with.
    Put("reference.jpg", showrun::GoodPicture(picture));
    DecodedPicture reference;
    std::string error;
    ASSERT_TRUE(DecodeJpegFile((dir + "/reference.jpg").c_str(), reference, error)) << error;
    if (state == PictureState::Missing)
        Remove(file);
    else
        Put(file, MakePicture(picture, state));

    int frameFailures = 0;
    const showrun::Outcome outcome = Run(
        AcrossTheSchedule(240),
        [&]
        {
            const IDirectDrawSurface7* surface = *picture.surface;
            if (!Usable(state))
            {
                EXPECT_TRUE(showrun::IsBlack(surface));
                if (std::string(file) == "scroller.jpg")
                {
                    EXPECT_TRUE(showrun::IsBlack(SurfStrip));
                }
                return;
            }
            const bool grey = state == PictureState::Greyscale;
            if (grey)
            {
                EXPECT_TRUE(IsGrey(surface));
            }
            const double difference = MeanDifference(surface, reference, grey);
            EXPECT_LE(difference, Tolerance(state));
            RecordProperty("mean_difference", std::to_string(difference));
        },
        [&](DWORD step)
        {
            if (frameFailures < 5) // enough to see what went wrong
                CheckFrame(step, Usable(state) ? nullptr : file, frameFailures);
        });

    EXPECT_EQ(outcome.frames, 249);
    if (Usable(state))
    {
        EXPECT_TRUE(outcome.stderrLines.empty()) << ::testing::PrintToString(outcome.stderrLines);
    }
    else
    {
        ExpectOneLineNaming(outcome.stderrLines, file);
    }
    EXPECT_EQ(VornGFX::DevicesAlive(), 0);
}

const PictureState AllPictureStates[] = {
    PictureState::Missing,     PictureState::Empty,      PictureState::TruncatedHalfway,
    PictureState::RandomBytes, PictureState::PngRenamed, PictureState::HugeHeader,
    PictureState::Progressive, PictureState::Greyscale,  PictureState::CmykAdobe,
    PictureState::YcckAdobe,   PictureState::Larger,     PictureState::Smaller};

std::string CaseName(const ::testing::TestParamInfo<PictureCase>& info)
{
    std::string file = std::get<0>(info.param);
    file = file.substr(0, file.find('.'));
    return file + "_" + Name(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(EveryPicture, BadPicture,
                         ::testing::Combine(::testing::Values("initial.jpg", "j1.jpg", "j2.jpg",
                                                              "j3.jpg", "scroller.jpg"),
                                            ::testing::ValuesIn(AllPictureStates)),
                         CaseName);

class UnusablePicture : public showrun::ShowTest
{
};

// The reason given for each kind of unusable picture.
TEST_F(UnusablePicture, IsReportedWithItsReason)
{
    const struct
    {
        const char* file;
        PictureState state;
        const char* reason;
    } cases[] = {{"initial.jpg", PictureState::Missing, "file not found"},
                 {"j1.jpg", PictureState::Empty, "empty file"},
                 {"j2.jpg", PictureState::TruncatedHalfway, "cannot decode"},
                 {"j3.jpg", PictureState::RandomBytes, "not a JPEG file"},
                 {"scroller.jpg", PictureState::PngRenamed, "not a JPEG file"},
                 {"initial.jpg", PictureState::HugeHeader, "too large (60000x60000)"}};
    for (const auto& c : cases)
    {
        const PictureFile& picture = showrun::Picture(c.file);
        if (c.state == PictureState::Missing)
            Remove(c.file);
        else
            Put(c.file, MakePicture(picture, c.state));
        const showrun::Outcome outcome = Run(
            {}, [] {}, [](DWORD) {});
        ExpectOneLineNaming(outcome.stderrLines, c.file, c.reason);
        Put(c.file, showrun::GoodPicture(picture));
    }
}

enum class MusicState
{
    Missing,
    Empty,
    TruncatedHalfway,
    RandomBytes,
    WavRenamed,
    WavAbsurdRate, // a WAV header claiming 1.28 GHz, as a fuzzer made it
};

class BadMusic : public showrun::ShowTest, public ::testing::WithParamInterface<MusicState>
{
};

// A truncated MP3 still opens and plays what is there, looping; a WAV saved under the MP3's
// name is recognised by its content and played, unless its header is absurd. The others are
// refused with one line, and the show runs silently.
TEST_P(BadMusic, ShowRunsWithWhatCanBePlayed)
{
    const MusicState state = GetParam();
    switch (state)
    {
        case MusicState::Missing: Remove("zeft.mp3"); break;
        case MusicState::Empty: Put("zeft.mp3", {}); break;
        case MusicState::TruncatedHalfway:
            Put("zeft.mp3", badinputs::FirstHalf(showrun::GoodMusic()));
            break;
        case MusicState::RandomBytes: Put("zeft.mp3", badinputs::RandomBytes(200000, 9)); break;
        case MusicState::WavRenamed: Put("zeft.mp3", badinputs::Wav(2000)); break;
        case MusicState::WavAbsurdRate:
        {
            badinputs::Bytes wav = badinputs::Wav(200);
            const unsigned char rate[4] = {0x67, 0x53, 0x66, 0x4C}; // 1281774439 Hz
            std::copy(rate, rate + 4, wav.begin() + 24);
            Put("zeft.mp3", wav);
            break;
        }
    }
    const bool plays = state == MusicState::TruncatedHalfway || state == MusicState::WavRenamed;

    int playing = -1, frameFailures = 0;
    const showrun::Outcome outcome = Run(
        AcrossTheSchedule(240),
        [&]
        {
            EXPECT_EQ(MusicStream != nullptr, plays);
            playing = headless::MusicPlaying();
        },
        [&](DWORD step)
        {
            if (frameFailures < 5)
                CheckFrame(step, nullptr, frameFailures);
        });

    EXPECT_EQ(playing, plays ? 1 : 0);
    EXPECT_EQ(headless::MusicPlaying(), 0);
    EXPECT_EQ(outcome.frames, 249);
    if (plays)
    {
        EXPECT_TRUE(outcome.stderrLines.empty()) << ::testing::PrintToString(outcome.stderrLines);
    }
    else
    {
        ExpectOneLineNaming(outcome.stderrLines, "zeft.mp3",
                            state == MusicState::Missing ? "file not found"
                            : state == MusicState::Empty ? "empty file"
                                                         : "silently");
    }
}

std::string MusicCaseName(const ::testing::TestParamInfo<MusicState>& info)
{
    const char* names[] = {"Missing",     "Empty",      "TruncatedHalfway",
                           "RandomBytes", "WavRenamed", "WavAbsurdRate"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryState, BadMusic,
                         ::testing::Values(MusicState::Missing, MusicState::Empty,
                                           MusicState::TruncatedHalfway, MusicState::RandomBytes,
                                           MusicState::WavRenamed, MusicState::WavAbsurdRate),
                         MusicCaseName);

} // namespace
