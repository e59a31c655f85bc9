// The progress display: occasional plain lines in a log, redraws in place on a terminal.
#include "tools/capture/Progress.h"

#include <gtest/gtest.h>

using namespace capture;

namespace
{

// What a meter shows for `frames` frames done `step` seconds apart, finished or not.
std::vector<std::string> Shown(std::size_t frames, double step, bool terminal, bool finish = true)
{
    std::vector<std::string> shown;
    double now = 100.0;
    {
        ProgressMeter meter(
            frames, terminal, [&](const std::string& text) { shown.push_back(text); },
            [&] { return now; }, 0.1, 10.0);
        for (std::size_t i = 0; i < frames; ++i)
        {
            now += step;
            meter.Advance();
        }
        if (finish)
            meter.Finish();
    }
    return shown;
}

} // namespace

TEST(Progress, PlainLinesInALogRedrawsInPlaceOnATerminal)
{
    // 100 frames at 4 per second: 25 s, lines at 10 s and 20 s, then the closing one.
    EXPECT_EQ(Shown(100, 0.25, false),
              (std::vector<std::string>{"quen-capture:  40/100 frames  4.0 fps  0:15 left\n",
                                        "quen-capture:  80/100 frames  4.0 fps  0:05 left\n",
                                        "quen-capture: 100/100 frames  4.0 fps  0:00 left\n"}));
    EXPECT_TRUE(Shown(3, 0.5, false).empty()) << "a short run leaves a log quiet";
    // 50 frames in 0.5 s: the first draw, one per 0.1 s, the final state and the line end.
    const std::vector<std::string> shown = Shown(50, 0.01, true);
    EXPECT_TRUE(shown.size() == 7 || shown.size() == 8) << shown.size();
    for (std::size_t i = 0; i + 1 < shown.size(); ++i)
        EXPECT_TRUE(shown[i].front() == '\r' && shown[i].find('\n') == std::string::npos) << i;
    EXPECT_EQ(shown.back(), "\n");
    EXPECT_EQ(Shown(5, 1.0, true, false).back(), "\n") << "a failed run ends the line";
}
