// Every effect's fast path against its per-pixel reference, step by step over its segment and
// at every kernel level the processor offers, on pictures made to catch a wrong channel, a lost
// carry or a rounding slip: pixels of only 0 and 255 channels mixed with noise in all 32 bits.
#include "effects/BlobField.h"
#include "effects/IrisScroller.h"
#include "effects/PulsingBlend.h"
#include "effects/RevealWipe.h"
#include "effects/SineWarp.h"
#include "gfx/PixelKernels.h"
#include "timeline/Schedule.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "effects/EffectTestSupport.h"

namespace
{

struct Segment
{
    const char* name;
    DWORD first, last;
    void (*fast)(DWORD);
    void (*reference)(DWORD);
    IDirectDrawSurface7** work; // the segment's output surface besides BackBuffer, if any
};

void PrintTo(const Segment& segment, std::ostream* out)
{
    *out << segment.name;
}

const Segment Segments[] = {
    {"RevealWipe", WipeFirstStep, WipeLastStep, RevealWipe, RevealWipePerPixel, &SurfWipe},
    {"FadeToBlack", FadeFirstStep, FadeLastStep, FadeToBlack, FadeToBlackPerPixel, &SurfFade},
    {"BlobField", BlobFirstStep, BlobLastStep, DrawBlobField, DrawBlobFieldPerPixel, nullptr},
    {"PulsingBlend", BlendFirstStep, BlendLastStep, PulsingBlend, PulsingBlendPerPixel, &SurfBlend},
    {"SineRowWarp", WarpFirstStep, WarpLastStep, SineRowWarp, SineRowWarpPerPixel, &SurfWarp},
    // The iris paints over the cube scene, which the noise in BackBuffer stands for.
    {"IrisWipe", IrisFirstStep, IrisLastStep, IrisWipe, IrisWipePerPixel, nullptr},
};

std::uint32_t Mix(std::uint32_t v)
{
    v ^= v >> 16;
    v *= 0x7feb352du;
    v ^= v >> 15;
    v *= 0x846ca68bu;
    return v ^ v >> 16;
}

// Noise, or (one pixel in two) each channel 0 or 255.
std::uint32_t Adversarial(int x, int y, std::uint32_t seed)
{
    const std::uint32_t h = Mix(static_cast<std::uint32_t>(y * 4096 + x) ^ Mix(seed));
    if ((h & 1) == 0)
        return Mix(h);
    return ((h & 2) ? 0xFF0000u : 0) | ((h & 4) ? 0xFF00u : 0) | ((h & 8) ? 0xFFu : 0) |
           (h & 0xFF000000u);
}

class FastPath : public effecttest::EffectTest, public ::testing::WithParamInterface<Segment>
{
  protected:
    void SetUp() override
    {
        EffectTest::SetUp();
        std::uint32_t seed = 1;
        for (IDirectDrawSurface7** input : {&SurfInitial, &SurfJ1, &SurfJ2, &SurfJ3})
            MakeAdversarial(input, 400, 300, seed++);
        MakeAdversarial(&SurfWarp, 300, 300, seed++); // the iris's input, the warp's output
        for (IDirectDrawSurface7** work : {&SurfWipe, &SurfBlack, &SurfFade, &SurfBlend})
            MakeAdversarial(work, 400, 300, seed++);
        MakeAdversarial(&SurfIris, 800, 600, seed++);
        BuildBlobSprite();
    }
    void TearDown() override
    {
        PixelKernelLevel = BestPixelKernelLevel();
        EffectTest::TearDown();
    }

    void MakeAdversarial(IDirectDrawSurface7** global, unsigned short w, unsigned short h,
                         std::uint32_t seed)
    {
        Make(global, w, h, 0);
        Fill(*global, [&](int x, int y) { return Adversarial(x, y, seed); });
    }

    // A surface's pixels (all of them: every surface here is contiguous).
    static std::uint32_t* Pixels(IDirectDrawSurface7* s) { return s->Pixels.get(); }
    static std::size_t Count(const IDirectDrawSurface7* s)
    {
        return std::size_t{s->Width} * s->Height;
    }
    static void Keep(IDirectDrawSurface7* s, std::vector<std::uint32_t>& into)
    {
        into.assign(Pixels(s), Pixels(s) + Count(s));
    }
    // Where a surface differs from pixels kept before, as "x,y", or "" if nowhere.
    static std::string Difference(IDirectDrawSurface7* s, const std::vector<std::uint32_t>& kept)
    {
        const auto at = std::mismatch(kept.begin(), kept.end(), Pixels(s)).first;
        if (at == kept.end())
            return "";
        const long i = at - kept.begin();
        return std::to_string(i % s->Width) + "," + std::to_string(i / s->Width);
    }
};

TEST_P(FastPath, MatchesThePerPixelFormAtEveryStepAndKernelLevel)
{
    const Segment& segment = GetParam();
    IDirectDrawSurface7* const back = GfxDevice->BackBuffer;
    Fill(back, [](int x, int y) { return Adversarial(x, y, 99); });
    std::vector<std::uint32_t> under, screen, work;
    Keep(back, under);
#if defined(VORN_DEVICE_CHECKS)
    const DWORD stride = 9; // every pixel access checked: slow
#else
    const DWORD stride = 1;
#endif
    std::vector<DWORD> steps;
    for (DWORD step = segment.first; step < segment.last; step += stride)
        steps.push_back(step);
    steps.push_back(segment.last);
    for (DWORD step : steps)
    {
        SCOPED_TRACE("step " + std::to_string(step));
        std::copy(under.begin(), under.end(), Pixels(back));
        PixelKernelLevel = 0;
        segment.reference(step);
        Keep(back, screen);
        if (segment.work != nullptr)
            Keep(*segment.work, work);
        for (int level = 0; level <= BestPixelKernelLevel(); ++level)
        {
            SCOPED_TRACE("kernel level " + std::to_string(level));
            std::copy(under.begin(), under.end(), Pixels(back));
            if (segment.work != nullptr) // stale contents of an earlier frame
                std::fill_n(Pixels(*segment.work), Count(*segment.work), 0xA5A5A5A5u);
            PixelKernelLevel = level;
            segment.fast(step);
            EXPECT_EQ(Difference(back, screen), "") << "first difference on the screen";
            if (segment.work != nullptr)
            {
                EXPECT_EQ(Difference(*segment.work, work), "") << "first difference in its surface";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Effects, FastPath, ::testing::ValuesIn(Segments),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
