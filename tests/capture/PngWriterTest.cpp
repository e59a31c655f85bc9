// PNG files: exact pixels in 8-bit RGB, written whole or not at all.
#include "CaptureTestSupport.h"

#include "tools/capture/CaptureError.h"
#include "tools/capture/PngWriter.h"

using namespace capture;
using namespace capturetest;

TEST(PngWriter, WritesExactPixelsInEightBitRgbOrNothing)
{
    TempFolder folder;
    std::ofstream(folder / "frame.png") << "an older file";
    // Neighbouring pixels differ in every channel; bits 24-31 are set and must not be stored.
    FrameImage frame{800, 600, Pixels(800 * 600)};
    Pixels expected(frame.pixels.size());
    for (std::uint32_t i = 0; i < frame.pixels.size(); ++i)
    {
        expected[i] = (i * 2654435761u) >> 8;
        frame.pixels[i] = 0xAB000000u | expected[i];
    }
    WritePng(frame, folder / "frame.png");
    EXPECT_TRUE(ReadPng(folder / "frame.png") == expected);
    EXPECT_THROW(WritePng(frame, folder / "no" / "frame.png"), CaptureError);
    EXPECT_EQ(folder.Contents(), std::vector<std::string>{"frame.png"});
}
