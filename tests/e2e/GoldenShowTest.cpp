// The whole show, end to end: the demo's own start-up and frames, headless, from pictures made
// here, compared frame by frame with the checksums in golden-frames.txt. A changed frame is
// named and written as PNG (beside the expected checksum) so that a person can look at it.
// Then every frame at every 25 ms of the first 115 s against show-hashes.txt, so that a faster
// way of drawing any frame is held to exactly the same picture. QUEN_UPDATE_GOLDEN=1 rewrites
// both files instead of failing.
#include "support/TestAssets.h"
#include "tools/capture/FramePipeline.h"
#include "tools/capture/PngWriter.h"
#include "platform/session/ShowSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace
{

const bool Update = std::getenv("QUEN_UPDATE_GOLDEN") != nullptr;

// The lines of a file that are neither empty nor comments.
std::vector<std::string> DataLines(const char* path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#')
            lines.push_back(line);
    return lines;
}

// Renders the frames at `times` in order in one session (each cube frame takes its angle from
// the cube frame before it) and hands each to `check`.
void RenderShow(const std::vector<std::uint32_t>& times,
                const std::function<void(const demo::FrameView&)>& check)
{
    const std::string dir = testassets::MakeScratchDir("golden");
    testassets::WriteDemoPictures(dir);
    {
        testassets::ScopedChdir in(dir);
        ::testing::internal::CaptureStderr(); // the missing music's line
        demo::ShowSession show;
        ::testing::internal::GetCapturedStderr();
        for (std::uint32_t ms : times)
        {
            show.Render(ms);
            check(show.Frame());
        }
    }
    std::filesystem::remove_all(dir);
}

std::string Hex(std::uint64_t value, int digits)
{
    char text[17];
    std::snprintf(text, sizeof text, "%0*llx", digits, static_cast<unsigned long long>(value));
    return text;
}

// A 32-bit digest of the frame's pixels (FNV-1a over 32-bit words, folded), for the long run.
std::uint32_t FrameDigest(const demo::FrameView& frame)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (int y = 0; y < frame.height; ++y)
    {
        const std::uint32_t* row = frame.pixels + y * (frame.pitch / 4);
        for (int x = 0; x < frame.width; ++x)
            hash = (hash ^ row[x]) * 0x100000001b3ull;
    }
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

// Each line of golden-frames.txt: the step, the frame's checksum, what the frame shows. In the
// listed order: the cube frames carry their angle from one to the next.
TEST(GoldenShow, EverySegmentAndBoundaryStepMatchesItsChecksum)
{
    std::vector<std::string> golden = DataLines(QUEN_GOLDEN_FILE);
    ASSERT_GE(golden.size(), 30u) << "cannot read " << QUEN_GOLDEN_FILE;
    std::vector<std::uint32_t> times;
    for (const std::string& line : golden)
        times.push_back(std::stoul(line) * 50);
    const std::filesystem::path changes = QUEN_GOLDEN_CHANGES;
    std::filesystem::remove_all(changes);

    std::string report;
    std::size_t i = 0;
    RenderShow(times,
               [&](const demo::FrameView& frame)
               {
                   std::string& line = golden[i++];
                   const std::size_t at = line.find_first_not_of(' ', line.find(' '));
                   const std::string actual = Hex(demo::FrameChecksum(frame), 16);
                   if (line.compare(at, 16, actual) == 0)
                       return;
                   report += "  step " + line.substr(0, line.find(' ')) + ": expected " +
                             line.substr(at) + ", got " + actual + "\n";
                   capture::FrameImage image;
                   image.width = frame.width;
                   image.height = frame.height;
                   image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
                   capture::CopyFrame(frame, image);
                   std::filesystem::create_directories(changes);
                   capture::WritePng(image, changes / (std::to_string(times[i - 1] / 50) + ".png"));
                   line.replace(at, 16, actual);
               });
    if (!report.empty() && Update)
    {
        std::ofstream out(QUEN_GOLDEN_FILE);
        out << "# step  checksum          what the frame shows\n";
        for (const std::string& line : golden)
            out << line << "\n";
        return;
    }
    EXPECT_EQ(report, "") << "frames changed; their pictures are in " << changes.string();
}

// Every 25 ms from 0 to 115 s, in order in one session: 4,601 frames, one digest per line of
// show-hashes.txt.
TEST(GoldenShow, EveryFrameOfTheFirst115SecondsMatchesItsDigest)
{
    const std::vector<std::string> expected = DataLines(QUEN_SHOW_HASHES_FILE);
    std::vector<std::uint32_t> times;
    for (std::uint32_t ms = 0; ms <= 115000; ms += 25)
        times.push_back(ms);
    ASSERT_TRUE(Update || expected.size() == times.size())
        << "cannot read " << QUEN_SHOW_HASHES_FILE;
    std::vector<std::string> actual;
    RenderShow(times,
               [&](const demo::FrameView& frame) { actual.push_back(Hex(FrameDigest(frame), 8)); });
    if (Update && actual != expected)
    {
        std::ofstream out(QUEN_SHOW_HASHES_FILE);
        out << "# digest of the frame at 0, 25, 50, ... 115000 ms, one per line\n";
        for (const std::string& digest : actual)
            out << digest << "\n";
        return;
    }
    const auto first =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    EXPECT_TRUE(first.first == actual.end())
        << "frames changed, the first at " << times[first.first - actual.begin()] << " ms";
}

} // namespace
