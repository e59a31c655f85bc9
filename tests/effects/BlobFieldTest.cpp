#include "effects/BlobField.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "effects/EffectTestSupport.h"

namespace
{

const auto Sprite = [](int dx, int dy) { return int{BlobSprite[(dy + 40) * 80 + dx + 40]}; };
const auto Field = [](int x, int y) -> unsigned char& { return BlobField[x * 600 + y]; };

using BlobFieldTest = effecttest::EffectTest;

TEST_F(BlobFieldTest, SpriteIsACone249HighFalling14PerUnit)
{
    BuildBlobSprite();
    for (int d = -40; d < 40; ++d)
        EXPECT_EQ(Sprite(d, 0), std::max(0, 249 - 14 * std::abs(d))) << d;
    EXPECT_EQ(Sprite(17, 5), 1); // dx^2 + dy^2 = 314
    int wrong = 0;               // entries lit outside the radius or dark inside it
    for (int dy = -40; dy < 40; ++dy)
    {
        for (int dx = -40; dx < 40; ++dx)
            wrong += (Sprite(dx, dy) != 0) != (dx * dx + dy * dy <= 316);
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(BlobFieldTest, BallsFollowTheLissajousCurve)
{
    // At step 799 the step wraps before the ball is added: phase 800, not 0.
    const int cases[][4] = {
        {250, 1, 93, 156}, {300, 40, 164, 165}, {454, 0, 182, 452}, {799, 1, 173, 400}};
    for (const auto& [step, ball, bx, by] : cases)
    {
        int x = 0, y = 0;
        LocateBall(step, ball, &x, &y);
        EXPECT_TRUE(x == bx && y == by) << "step " << step << ": " << x << "," << y;
    }
}

TEST_F(BlobFieldTest, FrameLightsInBlueExactlyThePixelsNearSomeBallUpTo250)
{
    BuildBlobSprite();
    std::memset(BlobField, 7, sizeof BlobField); // left over from an earlier frame
    FillPattern(GfxDevice->BackBuffer, 5);
    int cx[80], cy[80];
    for (int ball = 0; ball < 80; ++ball)
    {
        LocateBall(377, ball, &cx[ball], &cy[ball]);
        cx[ball] += 40, cy[ball] += 40;
    }
    DrawBlobField(377);
    const auto screen = Read(GfxDevice->BackBuffer);
    effecttest::ExpectPicture(screen, [](int x, int y) { return Field(x, y); });
    int wrong = 0;
    for (int y = 0; y < 600; ++y)
    {
        for (int x = 0; x < 800; ++x)
        {
            bool lit = false;
            for (int ball = 0; ball < 80 && !lit; ++ball)
                lit = (x - cx[ball]) * (x - cx[ball]) + (y - cy[ball]) * (y - cy[ball]) <= 316;
            if ((screen(x, y) != 0) != lit && ++wrong <= 3)
                ADD_FAILURE() << x << "," << y << (lit ? " dark" : " lit");
        }
    }
    // Light adds up and saturates at 250.
    for (int ball = 0; ball < 80; ++ball)
        EXPECT_GE(screen(cx[ball], cy[ball]), 249u) << "ball " << ball;
    EXPECT_EQ(*std::max_element(BlobField, BlobField + 800 * 600), 250);
}

} // namespace
