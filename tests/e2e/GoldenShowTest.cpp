// The whole show, end to end: the demo's own start-up and frames, headless, from pictures made
// here, compared frame by frame with the checksums in golden-frames.txt. A changed frame is
// named and written as PNG (beside the expected checksum) so that a person can look at it.
// Then every frame at every 25 ms of the first 115 s against show-hashes.txt, so that a faster
// way of drawing any frame is held to exactly the same picture.
#include "support/TestAssets.h"
#include "tools/capture/FramePipeline.h"
#include "tools/capture/PngWriter.h"
#include "platform/session/ShowSession.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

struct GoldenFrame
{
    std::uint32_t step;
    std::string checksum; // 16 hex digits
    std::string what;
};

std::vector<GoldenFrame> ReadGolden(const std::string& path)
{
    std::vector<GoldenFrame> frames;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
    {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        GoldenFrame f;
        fields >> f.step >> f.checksum;
        std::getline(fields >> std::ws, f.what);
        frames.push_back(f);
    }
    return frames;
}

// The frame's checksum as golden-frames.txt writes it.
std::string Checksum(const demo::FrameView& frame)
{
    const std::uint64_t hash = demo::FrameChecksum(frame);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
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

TEST(GoldenShow, EverySegmentAndBoundaryStepMatchesItsChecksum)
{
    std::vector<GoldenFrame> golden = ReadGolden(QUEN_GOLDEN_FILE);
    ASSERT_GE(golden.size(), 30u) << "cannot read " << QUEN_GOLDEN_FILE;

    const std::string dir = testassets::MakeScratchDir("golden");
    testassets::WriteDemoPictures(dir);
    const std::filesystem::path changes = QUEN_GOLDEN_CHANGES;
    std::filesystem::remove_all(changes);

    std::vector<std::string> changed;
    {
        testassets::ScopedChdir in(dir);
        ::testing::internal::CaptureStderr(); // the missing music's line
        demo::ShowSession show;
        ::testing::internal::GetCapturedStderr();
        // In the listed order: the cube frames carry their angle from one to the next.
        for (GoldenFrame& f : golden)
        {
            show.Render(f.step * 50);
            const std::string actual = Checksum(show.Frame());
            if (actual == f.checksum)
                continue;
            changed.push_back("step " + std::to_string(f.step) + " (" + f.what + "): expected " +
                              f.checksum + ", got " + actual);
            capture::FrameImage image;
            image.width = show.Frame().width;
            image.height = show.Frame().height;
            image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
            capture::CopyFrame(show.Frame(), image);
            std::filesystem::create_directories(changes);
            capture::WritePng(image, changes / (std::to_string(f.step) + ".png"));
            f.checksum = actual;
        }
    }
    std::filesystem::remove_all(dir);

    if (!changed.empty() && std::getenv("QUEN_UPDATE_GOLDEN") != nullptr)
    {
        std::ofstream out(QUEN_GOLDEN_FILE);
        out << "# step  checksum          what the frame shows\n";
        for (const GoldenFrame& f : golden)
            out << f.step << std::string(8 - std::to_string(f.step).size(), ' ') << f.checksum
                << "  " << f.what << "\n";
        std::printf("rewrote %s\n", QUEN_GOLDEN_FILE);
        return;
    }
    std::string report;
    for (const std::string& c : changed)
        report += "  " + c + "\n";
    EXPECT_TRUE(changed.empty()) << changed.size() << " frames changed; their pictures are in "
                                 << changes.string() << ":\n"
                                 << report;
}

// Every 25 ms from 0 to 115 s, in order in one session (each cube frame takes its angle from the
// cube frame before it): 4,601 frames, one digest per line of show-hashes.txt.
TEST(GoldenShow, EveryFrameOfTheFirst115SecondsMatchesItsDigest)
{
    constexpr std::uint32_t FrameSpacingMs = 25, LastMs = 115000;
    std::vector<std::uint32_t> expected;
    {
        std::ifstream in(QUEN_SHOW_HASHES_FILE);
        std::string line;
        while (std::getline(in, line))
        {
            if (!line.empty() && line[0] != '#')
                expected.push_back(static_cast<std::uint32_t>(std::stoul(line, nullptr, 16)));
        }
    }
    const bool update = std::getenv("QUEN_UPDATE_GOLDEN") != nullptr;
    ASSERT_TRUE(update || expected.size() == LastMs / FrameSpacingMs + 1)
        << "cannot read " << QUEN_SHOW_HASHES_FILE;

    const std::string dir = testassets::MakeScratchDir("show-hashes");
    testassets::WriteDemoPictures(dir);
    std::vector<std::uint32_t> actual;
    {
        testassets::ScopedChdir in(dir);
        ::testing::internal::CaptureStderr(); // the missing music's line
        demo::ShowSession show;
        ::testing::internal::GetCapturedStderr();
        for (std::uint32_t ms = 0; ms <= LastMs; ms += FrameSpacingMs)
        {
            show.Render(ms);
            actual.push_back(FrameDigest(show.Frame()));
        }
    }
    std::filesystem::remove_all(dir);

    if (update && actual != expected)
    {
        std::ofstream out(QUEN_SHOW_HASHES_FILE);
        out << "# digest of the frame at 0, 25, 50, ... 115000 ms, one per line\n";
        char text[9];
        for (std::uint32_t digest : actual)
        {
            std::snprintf(text, sizeof text, "%08x", digest);
            out << text << "\n";
        }
        std::printf("rewrote %s\n", QUEN_SHOW_HASHES_FILE);
        return;
    }
    std::vector<std::uint32_t> changedMs;
    for (std::size_t i = 0; i < actual.size() && i < expected.size(); ++i)
    {
        if (actual[i] != expected[i])
            changedMs.push_back(static_cast<std::uint32_t>(i) * FrameSpacingMs);
    }
    if (!changedMs.empty())
    {
        ADD_FAILURE() << changedMs.size() << " frames changed, the first at " << changedMs.front()
                      << " ms (step " << changedMs.front() / 50 << ")";
    }
}

} // namespace
