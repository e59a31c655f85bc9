// The progress display: its numbers, and how often it speaks on a terminal and in a log.
#include "tools/capture/Progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace capture;

TEST(ProgressFormat, ShowsCountRateAndTimeLeft)
{
    EXPECT_EQ(FormatProgress({450, 1000, 5.0}, 20),
              "[#########...........]  450/1000 frames  90.0 fps  0:06 left");
    EXPECT_EQ(FormatProgress({1000, 1000, 10.0}, 4),
              "[####] 1000/1000 frames  100.0 fps  0:00 left");
    EXPECT_EQ(FormatProgress({3, 6600, 0.5}, 0), "   3/6600 frames  6.0 fps  18:20 left");
}

TEST(ProgressFormat, LongWaitsShowHours)
{
    EXPECT_EQ(FormatProgress({1, 10000, 1.0}, 0), "    1/10000 frames  1.0 fps  2:46:39 left");
}

TEST(ProgressFormat, NoRateBeforeTheFirstFrame)
{
    EXPECT_EQ(FormatProgress({0, 10, 3.0}, 2), "[..]  0/10 frames  -- fps  --:-- left");
}

namespace
{

// A meter whose clock and output the test controls.
struct MeterRig
{
    double now = 100.0;
    std::vector<std::string> shown;

    ProgressMeter Make(std::size_t total, bool terminal)
    {
        return ProgressMeter(
            total, terminal, [this](const std::string& text) { shown.push_back(text); },
            [this] { return now; }, 0.1, 10.0);
    }
};

} // namespace

TEST(ProgressMeter, LogLinesComeEveryTenSecondsAndAtTheEnd)
{
    MeterRig rig;
    {
        ProgressMeter meter = rig.Make(100, false);
        for (int i = 0; i < 100; ++i)
        {
            rig.now += 0.25; // 4 frames per second
            meter.Advance();
        }
        meter.Finish();
    }
    // 25 s in all: lines at 10 s and 20 s, then the closing one.
    ASSERT_EQ(rig.shown.size(), 3u);
    EXPECT_EQ(rig.shown[0], "quen-capture:  40/100 frames  4.0 fps  0:15 left\n");
    EXPECT_EQ(rig.shown[1], "quen-capture:  80/100 frames  4.0 fps  0:05 left\n");
    EXPECT_EQ(rig.shown[2], "quen-capture: 100/100 frames  4.0 fps  0:00 left\n");
}

TEST(ProgressMeter, ShortRunsLeaveLogsQuiet)
{
    MeterRig rig;
    {
        ProgressMeter meter = rig.Make(3, false);
        for (int i = 0; i < 3; ++i)
        {
            rig.now += 0.5;
            meter.Advance();
        }
        meter.Finish();
    }
    EXPECT_TRUE(rig.shown.empty());
}

TEST(ProgressMeter, TerminalRedrawsInPlaceAtMostTenTimesASecond)
{
    MeterRig rig;
    {
        ProgressMeter meter = rig.Make(50, true);
        for (int i = 0; i < 50; ++i)
        {
            rig.now += 0.01;
            meter.Advance();
        }
        meter.Finish();
    }
    // First draw at the start, one per 0.1 s over 0.5 s, the final state and the line end.
    ASSERT_GE(rig.shown.size(), 7u);
    EXPECT_LE(rig.shown.size(), 8u);
    for (std::size_t i = 0; i + 1 < rig.shown.size(); ++i)
    {
        EXPECT_EQ(rig.shown[i].front(), '\r') << i;
        EXPECT_EQ(rig.shown[i].find('\n'), std::string::npos) << i;
    }
    EXPECT_NE(rig.shown[rig.shown.size() - 2].find("50/50 frames"), std::string::npos);
    EXPECT_EQ(rig.shown.back(), "\n");
}

TEST(ProgressMeter, UnfinishedTerminalLineIsEndedForTheErrorMessage)
{
    MeterRig rig;
    {
        ProgressMeter meter = rig.Make(50, true);
        rig.now += 1.0;
        meter.Advance();
    }
    ASSERT_FALSE(rig.shown.empty());
    EXPECT_EQ(rig.shown.back(), "\n");
}
