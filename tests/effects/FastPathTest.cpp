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
#include <random>
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

const Segment Segments[] = {
    {"RevealWipe", WipeFirstStep, WipeLastStep, RevealWipe, RevealWipePerPixel, &SurfWipe},
    {"FadeToBlack", FadeFirstStep, FadeLastStep, FadeToBlack, FadeToBlackPerPixel, &SurfFade},
    {"BlobField", BlobFirstStep, BlobLastStep, DrawBlobField, DrawBlobFieldPerPixel, nullptr},
    {"PulsingBlend", BlendFirstStep, BlendLastStep, PulsingBlend, PulsingBlendPerPixel, &SurfBlend},
    {"SineRowWarp", WarpFirstStep, WarpLastStep, SineRowWarp, SineRowWarpPerPixel, &SurfWarp},
    // The iris paints over the cube scene, which the noise in BackBuffer stands for.
    {"IrisWipe", IrisFirstStep, IrisLastStep, IrisWipe, IrisWipePerPixel, nullptr},
};

class FastPath : public effecttest::EffectTest, public ::testing::WithParamInterface<Segment>
{
  protected:
    void SetUp() override
    {
        EffectTest::SetUp();
        std::uint32_t seed = 1;
        for (IDirectDrawSurface7** s : {&SurfInitial, &SurfJ1, &SurfJ2, &SurfJ3, &SurfWipe,
                                        &SurfBlack, &SurfFade, &SurfBlend})
            Make(s, 400, 300, seed++);
        Make(&SurfWarp, 300, 300, seed++); // the iris's input, the warp's output
        Make(&SurfIris, 800, 600, seed++);
        for (IDirectDrawSurface7* s : {SurfInitial, SurfJ1, SurfJ2, SurfJ3, SurfWarp})
            FillAdversarial(s, seed++);
        BuildBlobSprite();
    }

    // Noise in all 32 bits, or (one pixel in two) channels of 0 and 255 only.
    static void FillAdversarial(IDirectDrawSurface7* s, std::uint32_t seed)
    {
        std::mt19937 random(seed);
        Fill(s,
             [&](int, int)
             {
                 const std::uint32_t r = random();
                 return (r & 1) ? r : (r & 0xFF000000u) | ((r >> 1 & 0x010101u) * 0xFF);
             });
    }
};

TEST_P(FastPath, MatchesThePerPixelFormAtEveryStepAndKernelLevel)
{
    const Segment& segment = GetParam();
    std::vector<IDirectDrawSurface7*> outputs = {GfxDevice->BackBuffer};
    if (segment.work != nullptr)
        outputs.push_back(*segment.work);
    FillAdversarial(GfxDevice->BackBuffer, 99);
    const std::vector<std::uint32_t> under = Read(GfxDevice->BackBuffer).p;
    const auto restoreUnder = [&]
    { std::copy(under.begin(), under.end(), outputs[0]->Pixels.get()); };
#if defined(VORN_DEVICE_CHECKS)
    const DWORD stride = 9; // every pixel access checked: slow
#else
    const DWORD stride = 1;
#endif
    for (DWORD step = segment.first; step <= segment.last;
         step = step < segment.last ? std::min(step + stride, segment.last) : step + 1)
    {
        SCOPED_TRACE("step " + std::to_string(step));
        restoreUnder();
        PixelKernelLevel = 0;
        segment.reference(step);
        std::vector<effecttest::Picture> expected;
        for (IDirectDrawSurface7* s : outputs)
            expected.push_back(Read(s));
        pixelcheck::AtEveryKernelLevel(
            [&]
            {
                restoreUnder();
                if (segment.work != nullptr) // stale contents of an earlier frame
                    Fill(outputs[1], [](int, int) { return 0xA5A5A5A5u; });
                segment.fast(step);
                for (std::size_t k = 0; k < outputs.size(); ++k)
                {
                    SCOPED_TRACE(k == 0 ? "screen" : "work surface");
                    effecttest::ExpectPicture(Read(outputs[k]), expected[k]);
                }
            });
    }
}

INSTANTIATE_TEST_SUITE_P(Effects, FastPath, ::testing::ValuesIn(Segments),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
