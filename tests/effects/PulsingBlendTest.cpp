#include "effects/PulsingBlend.h"

#include <array>

#include "effects/EffectTestSupport.h"

namespace
{
using PulsingBlendTest = effecttest::EffectTest;

TEST_F(PulsingBlendTest, TruncatesTowardTheSecondPictureWhichIsSurfJ3FromStep558)
{
    Make(&SurfJ1, 400, 300, 1);
    Make(&SurfJ2, 400, 300, 2);
    Make(&SurfJ3, 400, 300, 3);
    Make(&SurfBlend, 400, 300, 4);
    // Step 457 shows SurfJ1 in the channel form; at 463, w = 0.5353686..., 255 - 136.5 and
    // 0 + 136.5 both truncate toward 0; at 545 and 570 the weight is negligible. Near w = 1 a
    // 255 in the second picture still leaves a trace.
    for (const auto& [step, j1, j2, j3, blend] :
         std::vector<std::array<std::uint32_t, 5>>{{457, 0x80123456, 0xABCDEF, 0, 0x123456},
                                                   {463, 0x00FF40, 0xFF0000, 0, 0x778822},
                                                   {545, 0xFFFFFF, 0x123456, 0, 0x123456},
                                                   {557, 0, 0xFFFFFF, 0, 0x020202},
                                                   {558, 0, 0xFFFFFF, 0, 0},
                                                   {570, 0xFFFFFF, 0, 0xABCDEF, 0xABCDEF}})
    {
        Fill(SurfJ1, [&](int, int) { return j1; });
        Fill(SurfJ2, [&](int, int) { return j2; });
        Fill(SurfJ3, [&](int, int) { return j3; });
        SCOPED_TRACE("step " + std::to_string(step));
        PulsingBlend(step);
        effecttest::ExpectPicture(Read(SurfBlend), [&](int, int) { return blend; });
    }
    ExpectOnScreen(Read(SurfBlend));
}

} // namespace
