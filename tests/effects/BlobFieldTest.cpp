#include "effects/BlobField.h"

#include <cstring>

#include "effects/EffectTestSupport.h"

namespace
{

int Sprite(int dx, int dy)
{
    return BlobSprite[(dy + 40) * 80 + (dx + 40)];
}

unsigned char& Field(int x, int y)
{
    return BlobField[x * 600 + y];
}

class BlobTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { BuildBlobSprite(); }
    void SetUp() override { ClearBlobField(); }
};

TEST_F(BlobTest, SpriteIsACone249HighFalling14PerUnit)
{
    for (int d = 0; d <= 39; ++d)
    {
        const int want = d <= 17 ? 249 - 14 * d : 0;
        EXPECT_TRUE(Sprite(d, 0) == want && Sprite(-d, 0) == want && Sprite(0, d) == want &&
                    Sprite(0, -d) == want)
            << "d " << d;
    }
    EXPECT_EQ(Sprite(17, 5), 1); // dx^2 + dy^2 = 314
    int nonZero = 0;
    for (int r = 0; r < 80; ++r)
        for (int c = 0; c < 80; ++c)
        {
            const int dx = c - 40, dy = r - 40;
            ASSERT_EQ(BlobSprite[r * 80 + c] != 0, dx * dx + dy * dy <= 316) << dx << "," << dy;
            ASSERT_EQ(BlobSprite[r * 80 + c], BlobSprite[c * 80 + r]) << dx << "," << dy;
            nonZero += BlobSprite[r * 80 + c] != 0;
        }
    EXPECT_EQ(nonZero, 989);
}

TEST_F(BlobTest, AddBlobStampsTheSpriteWithItsCornerAtColumnXRowY)
{
    std::memset(BlobField, 7, sizeof BlobField);
    ClearBlobField();
    AddBlob(100, 300);
    for (int x = 0; x < 800; ++x)
        for (int y = 0; y < 600; ++y)
        {
            const bool inStamp = x >= 100 && x < 180 && y >= 300 && y < 380;
            ASSERT_EQ(Field(x, y), inStamp ? BlobSprite[(y - 300) * 80 + (x - 100)] : 0)
                << x << "," << y;
        }
}

TEST_F(BlobTest, AddBlobAddsUpToTheCeiling250)
{
    Field(140, 240) = 1;
    Field(150, 260) = 2;
    AddBlob(100, 200); // centre on (140, 240)
    AddBlob(110, 220); // centre on (150, 260)
    EXPECT_EQ(Field(140, 240), 250);
    EXPECT_EQ(Field(150, 260), 250);
    AddBlob(110, 220);
    EXPECT_EQ(Field(150, 260), 250); // two centres, not 498
    EXPECT_EQ(Field(140, 260), 218); // 109 + 109 from the second and third stamps
}

TEST(LocateBallTest, BallsFollowTheLissajousCurveInsideTheField)
{
    int x = 0, y = 0;
    LocateBall(250, 1, &x, &y);
    EXPECT_TRUE(x == 93 && y == 156) << x << "," << y;
    LocateBall(300, 40, &x, &y);
    EXPECT_TRUE(x == 164 && y == 165) << x << "," << y;
    LocateBall(454, 0, &x, &y);
    EXPECT_TRUE(x == 182 && y == 452) << x << "," << y;
    LocateBall(799, 1, &x, &y); // the step wraps before the ball is added: phase 800, not 0
    EXPECT_TRUE(x == 173 && y == 400) << x << "," << y;

    for (DWORD step = 250; step <= 454; ++step)
        for (int ball = 0; ball < 80; ++ball)
        {
            LocateBall(step, ball, &x, &y);
            ASSERT_TRUE(x >= 20 && x <= 580 && y >= 120 && y <= 480)
                << "step " << step << " ball " << ball;
            int nx = 0, ny = 0; // the chain slides one ball per step
            LocateBall(step + 1, ball - 1 < 0 ? 0 : ball - 1, &nx, &ny);
            ASSERT_TRUE(ball == 0 || (nx == x && ny == y)) << "step " << step << " ball " << ball;
        }
}

class BlobFrameTest : public effecttest::EffectTest
{
  protected:
    void SetUp() override
    {
        EffectTest::SetUp();
        BuildBlobSprite();
        FillPattern(GfxDevice->BackBuffer, 5);
    }
};

TEST_F(BlobFrameTest, LightsInBlueExactlyThePixelsNearSomeBall)
{
    int cx[80], cy[80];
    for (int ball = 0; ball < 80; ++ball)
    {
        LocateBall(377, ball, &cx[ball], &cy[ball]);
        cx[ball] += 40, cy[ball] += 40;
    }
    DrawBlobField(377);
    const auto screen = Read(GfxDevice->BackBuffer);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
        {
            bool lit = false;
            for (int ball = 0; ball < 80 && !lit; ++ball)
                lit = (x - cx[ball]) * (x - cx[ball]) + (y - cy[ball]) * (y - cy[ball]) <= 316;
            ASSERT_EQ(screen(x, y), std::uint32_t{Field(x, y)}) << x << "," << y;
            ASSERT_EQ(screen(x, y) != 0, lit) << x << "," << y;
        }
    for (int ball = 0; ball < 80; ++ball)
        EXPECT_GE(screen(cx[ball], cy[ball]), 249u) << "ball " << ball;
}

TEST_F(BlobFrameTest, RepeatedFramesOfOneStepAreIdentical)
{
    DrawBlobField(421);
    const auto first = Read(GfxDevice->BackBuffer);
    DrawBlobField(421);
    EXPECT_EQ(Read(GfxDevice->BackBuffer), first);
    DrawBlobField(422);
    EXPECT_NE(Read(GfxDevice->BackBuffer), first);
}

} // namespace
