// The whole show, end to end: the demo's own start-up and frames, headless, from pictures made
// here, every 25 ms of its first 115 s in order in one session (4,601 frames: every step of
// every segment and a whole scroller cycle; each cube frame takes its angle from the one before)
// against the digests in show-hashes.txt. Changed frames are named and the first few written as
// PNG, so that a person can look at them. QUEN_UPDATE_GOLDEN=1 rewrites the file instead.
#include "support/TestAssets.h"
#include "tools/capture/FramePipeline.h"
#include "tools/capture/PngWriter.h"
#include "tools/session/ShowSession.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

// A 32-bit digest of the frame's pixels (FNV-1a over 32-bit words, folded): a quarter of the
// steps of session::FrameChecksum, which hashes every byte, over 4,601 frames.
std::string FrameDigest(const session::FrameView& frame)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (int y = 0; y < frame.height; ++y)
    {
        const std::uint32_t* row = frame.pixels + y * (frame.pitch / 4);
        for (int x = 0; x < frame.width; ++x)
            hash = (hash ^ row[x]) * 0x100000001b3ull;
    }
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(hash ^ (hash >> 32)));
    return text;
}

TEST(GoldenShow, EveryFrameOfTheFirst115SecondsMatchesItsDigest)
{
    const bool update = std::getenv("QUEN_UPDATE_GOLDEN") != nullptr;
    std::vector<std::string> expected;
    std::ifstream in(QUEN_SHOW_HASHES_FILE);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#')
            expected.push_back(line);
    constexpr std::uint32_t Frames = 115000 / 25 + 1;
    ASSERT_TRUE(update || expected.size() == Frames) << "cannot read " << QUEN_SHOW_HASHES_FILE;
    const std::filesystem::path changes = QUEN_GOLDEN_CHANGES;
    std::filesystem::remove_all(changes);

    const testassets::ScratchDir dir{"golden"};
    testassets::WriteDemoPictures(dir);
    std::vector<std::string> actual;
    std::string report;
    int changed = 0;
    {
        testassets::ScopedChdir in(dir);
        ::testing::internal::CaptureStderr(); // the missing music's line
        session::ShowSession show;
        ::testing::internal::GetCapturedStderr();
        for (std::uint32_t i = 0; i < Frames; ++i)
        {
            show.Render(i * 25);
            actual.push_back(FrameDigest(show.Frame()));
            if (i < expected.size() && actual[i] == expected[i])
                continue;
            report += " " + std::to_string(i * 25);
            if (++changed > 8) // pictures of the first few
                continue;
            capture::FrameImage image;
            image.width = show.Frame().width;
            image.height = show.Frame().height;
            image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
            capture::CopyFrame(show.Frame(), image);
            std::filesystem::create_directories(changes);
            capture::WritePng(image, changes / (std::to_string(i * 25) + ".png"));
        }
    }
    if (update && !report.empty())
    {
        std::ofstream out(QUEN_SHOW_HASHES_FILE);
        out << "# digest of the frame at 0, 25, 50, ... 115000 ms, one per line\n";
        for (const std::string& digest : actual)
            out << digest << "\n";
        return;
    }
    EXPECT_EQ(report, "") << "frames changed at these ms (steps of 50 ms); the first are in "
                          << changes.string();
}

} // namespace
