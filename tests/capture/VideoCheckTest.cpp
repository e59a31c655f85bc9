// The check of a finished video, on files that ffmpeg makes here: a whole one passes; a
// truncated one, one with a frame dropped, one whose sound is short and a lossless one with a
// changed frame each fail, saying what is wrong. And the enlargement ffmpeg is asked for.
#include "support/TestAssets.h"
#include "tools/capture/VideoCheck.h"
#include "tools/capture/VideoPipe.h"

#include <gmock/gmock.h>

#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

using ::testing::HasSubstr;

namespace
{

namespace fs = std::filesystem;
using namespace capture;

const std::optional<fs::path> Ffmpeg = FindProgram("ffmpeg"), Ffprobe = FindProgram("ffprobe");

bool Shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Small frames that differ from each other in every row.
std::vector<FrameImage> Frames(int count)
{
    std::vector<FrameImage> frames;
    for (int i = 0; i < count; ++i)
    {
        FrameImage& frame = frames.emplace_back(FrameImage{64, 48, {}});
        for (std::uint32_t p = 0; p < 64 * 48; ++p)
            frame.pixels.push_back((p * 2654435761u + std::uint32_t(i) * 40503u) & 0xFFFFFF);
    }
    return frames;
}

} // namespace

TEST(VideoCheck, CatchesAShortOrMaimedVideo)
{
    if (!Ffmpeg || !Ffprobe)
        GTEST_SKIP() << "ffmpeg is not installed";
    testassets::ScratchDir folder{"check"};
    const std::string made = folder / "made.mp4";
    // Two seconds at 10 frames per second, with a second of sound at 44.1 kHz per second.
    const std::string sources = "ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=10 -f "
                                "lavfi -i sine=sample_rate=44100 -t 2 -c:v libx264 -pix_fmt "
                                "yuv420p -c:a aac ";
    ASSERT_TRUE(Shell(sources + made));
    const VideoExpectation expected{20, 10, 160, 120, true, {}};
    EXPECT_EQ(CheckVideo(made, expected, *Ffprobe, *Ffmpeg), "");

    // The file, how it is made from the whole one or anew, what the check says.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"truncated.mp4", "head -c 20000 " + made + " >", "ffprobe cannot read it"},
        {"dropped.mp4", sources + "-vf select='not(eq(n\\,7))' -fps_mode passthrough",
         "19 frames, not 20"},
        {"quiet.mp4", sources + "-af atrim=0:1.8", "its sound lasts 1.8"},
        {"silent.mp4", sources + "-an", "it has no sound"},
        {"slow.mp4", sources + "-r 12", "frames, not 20"},
    };
    for (const auto& [name, command, reason] : cases)
    {
        ASSERT_TRUE(Shell(command + " " + (folder / name).string())) << command;
        EXPECT_THAT(CheckVideo(folder / name, expected, *Ffprobe, *Ffmpeg), HasSubstr(reason))
            << name;
    }
    VideoExpectation other = expected;
    other.width = 320;
    EXPECT_THAT(CheckVideo(made, other, *Ffprobe, *Ffmpeg), HasSubstr("160x120, not 320x120"));
    other = expected;
    other.fps = 20;
    other.frames = 40;
    EXPECT_THAT(CheckVideo(made, other, *Ffprobe, *Ffmpeg), HasSubstr("20 frames, not 40"));
}

// A lossless video's frames, decoded, hash as the frames sent, enlarged or not; one pixel
// changed in one frame is named.
TEST(VideoCheck, CatchesAChangedLosslessFrame)
{
    if (!Ffmpeg || !Ffprobe)
        GTEST_SKIP() << "ffmpeg is not installed";
    testassets::ScratchDir folder{"check"};
    std::vector<FrameImage> frames = Frames(6);
    for (const bool changed : {false, true})
    {
        for (const int scale : {1, 2})
        {
            SCOPED_TRACE(std::to_string(scale) + (changed ? " changed" : ""));
            VideoExpectation expected{6, 5, 64 * scale, 48 * scale, false, {}};
            for (const FrameImage& frame : frames)
                expected.hashes.push_back(FrameHash(frame, scale));
            {
                std::ofstream raw(folder / "frames.raw", std::ios::binary);
                for (std::size_t i = 0; i < frames.size(); ++i)
                {
                    std::vector<std::uint32_t> pixels = frames[i].pixels;
                    if (changed && i == 3)
                        pixels[64 * 20 + 30] ^= 0x000100;
                    raw.write(reinterpret_cast<const char*>(pixels.data()),
                              std::streamsize(pixels.size() * 4));
                }
            }
            const std::string video = folder / "v.mkv";
            ASSERT_TRUE(Shell("ffmpeg -v error -y -f rawvideo -pixel_format bgr0 -video_size 64x48 "
                              "-framerate 5 -i " +
                              (folder / "frames.raw").string() + " -vf scale=iw*" +
                              std::to_string(scale) + ":ih*" + std::to_string(scale) +
                              ":flags=neighbor,format=bgr0 -c:v libx264rgb -qp 0 -pix_fmt bgr0 " +
                              video));
            EXPECT_EQ(CheckVideo(video, expected, *Ffprobe, *Ffmpeg),
                      changed ? "frame 3 differs from the one rendered" : "");
        }
    }
}

// The upload preset's one-step enlargement and conversion, as its arguments ask ffmpeg for it:
// every 4x4 block of luma holds the luma of its pixel at the frame's own size, and every 2x2
// block of each colour plane one value.
TEST(VideoPipe, EnlargedBlocksKeepTheirExactLuma)
{
    if (!Ffmpeg)
        GTEST_SKIP() << "ffmpeg is not installed";
    testassets::ScratchDir folder{"check"};
    const FrameImage frame = Frames(1)[0];
    {
        std::ofstream raw(folder / "frame.raw", std::ios::binary);
        raw.write(reinterpret_cast<const char*>(frame.pixels.data()),
                  std::streamsize(frame.pixels.size() * 4));
    }
    auto convert = [&](int scale) -> std::vector<unsigned char>
    {
        VideoSettings settings;
        settings.width = 64;
        settings.height = 48;
        settings.scale = scale;
        settings.forUpload = true;
        settings.output = folder / "unused.mp4";
        const std::vector<std::string> args = FfmpegArguments(settings);
        const auto filter = std::find(args.begin(), args.end(), "-vf");
        if (filter == args.end())
            return {};
        const std::string out = folder / "frame.yuv";
        if (!Shell("ffmpeg -v error -y -f rawvideo -pixel_format bgr0 -video_size 64x48 -i " +
                   (folder / "frame.raw").string() + " -vf '" + filter[1] +
                   "' -pix_fmt yuv420p -f rawvideo " + out))
            return {};
        std::ifstream in(out, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    };
    const std::vector<unsigned char> small = convert(1), large = convert(4);
    ASSERT_EQ(small.size(), 64u * 48 * 3 / 2);
    ASSERT_EQ(large.size(), 256u * 192 * 3 / 2);
    std::size_t wrong = 0;
    for (std::size_t y = 0; y < 192; ++y)
        for (std::size_t x = 0; x < 256; ++x)
            wrong += large[y * 256 + x] != small[y / 4 * 64 + x / 4];
    const unsigned char* colours = large.data() + 256 * 192;
    for (std::size_t plane = 0; plane < 2; ++plane, colours += 128 * 96)
        for (std::size_t y = 0; y < 96; ++y)
            for (std::size_t x = 0; x < 128; ++x)
                wrong += colours[y * 128 + x] != colours[(y & ~1u) * 128 + (x & ~1u)];
    EXPECT_EQ(wrong, 0u);
}
