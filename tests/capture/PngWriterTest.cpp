// PNG files: exact pixels in 8-bit RGB, and files that appear only when complete.
#include "CaptureTestSupport.h"

#include "tools/capture/CaptureError.h"
#include "tools/capture/PendingFile.h"
#include "tools/capture/PngWriter.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace capture;
using namespace capturetest;

namespace
{

// An 800x600 frame in which neighbouring pixels differ in every channel, with bits 24-31
// set, which the file must not carry.
FrameImage PatternFrame()
{
    FrameImage frame{800, 600, std::vector<std::uint32_t>(800 * 600)};
    for (std::size_t i = 0; i < frame.pixels.size(); ++i)
        frame.pixels[i] = 0xAB000000u | ((std::uint32_t(i) * 2654435761u) >> 8);
    return frame;
}

} // namespace

TEST(PngWriter, WritesEightBitRgbWithExactPixels)
{
    TempFolder folder;
    const FrameImage frame = PatternFrame();
    WritePng(frame, folder / "frame.png");

    const PngPicture picture = ReadPng(folder / "frame.png");
    EXPECT_EQ(picture.width, 800);
    EXPECT_EQ(picture.height, 600);
    EXPECT_EQ(picture.bitDepth, 8);
    EXPECT_EQ(picture.colourType, PNG_COLOR_TYPE_RGB);
    ASSERT_EQ(picture.pixels.size(), frame.pixels.size());
    for (std::size_t i = 0; i < frame.pixels.size(); ++i)
    {
        ASSERT_EQ(picture.pixels[i], frame.pixels[i] & 0xFFFFFFu) << "pixel " << i;
    }
    EXPECT_EQ(folder.Contents(), std::vector<std::string>{"frame.png"});
}

TEST(PngWriter, ReplacesAnOlderFile)
{
    TempFolder folder;
    std::ofstream(folder / "frame.png") << "stale";
    WritePng(PatternFrame(), folder / "frame.png");
    EXPECT_EQ(ReadPng(folder / "frame.png").width, 800);
    EXPECT_EQ(folder.Contents(), std::vector<std::string>{"frame.png"});
}

TEST(PngWriter, UnwritablePlaceIsReportedAndLeavesNothing)
{
    TempFolder folder;
    const fs::path target = folder / "missing" / "frame.png";
    try
    {
        WritePng(PatternFrame(), target);
        FAIL() << "no error for a folder that does not exist";
    }
    catch (const CaptureError& error)
    {
        EXPECT_NE(std::string(error.what()).find("cannot write"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("frame.png"), std::string::npos);
    }
    EXPECT_TRUE(folder.Contents().empty());
}

TEST(PendingFile, UncommittedWorkIsDeleted)
{
    TempFolder folder;
    {
        PendingFile pending(folder / "video.mp4");
        EXPECT_EQ(pending.TempPath(), folder / "video.mp4.part");
        std::ofstream(pending.TempPath()) << "half a video";
    }
    EXPECT_TRUE(folder.Contents().empty());
}

TEST(PendingFile, EmptyOrMissingWorkIsNotCommitted)
{
    TempFolder folder;
    PendingFile missing(folder / "a.mp4");
    EXPECT_THROW(missing.Commit(), CaptureError);
    PendingFile empty(folder / "b.mp4");
    std::ofstream(empty.TempPath()).close();
    EXPECT_THROW(empty.Commit(), CaptureError);
    EXPECT_FALSE(fs::exists(folder / "a.mp4"));
    EXPECT_FALSE(fs::exists(folder / "b.mp4"));
}
