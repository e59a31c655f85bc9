// Vector and matrix math: the transposing product and what the cube frame builds on it. The
// meshes and placements of the cubes show in the golden frames.
#include "cubes/CubeMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

Matrix4 Of(const std::vector<float>& v)
{
    Matrix4 result;
    std::copy(v.begin(), v.end(), result.m);
    return result;
}
std::vector<float> Elements(const Matrix4& x)
{
    return {x.m, x.m + 16};
}

// Row 0 sums 1 + 2^-30 - 1: 0 in float, 2^-30 in double.
const float Tiny = std::ldexp(1.0f, -30);
const Matrix4 Cancelling = Of({1, Tiny, -1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});

TEST(MatrixTest, MultiplyStoresTheProductTransposedSummedInDouble)
{
    // Small integers, exact in float. The product's rows are (15 23 -1 3), (39 55 -1 19), ...
    const Matrix4 a = Of({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    const Matrix4 b = Of({2, 0, 1, 3, -1, 4, 0, 2, 5, 1, -2, 0, 0, 3, 1, -1});
    EXPECT_EQ(Elements(a.Multiply(b)),
              (std::vector<float>{15, 39, 63, 87, 23, 55, 87, 119, -1, -1, -1, -1, 3, 19, 35, 51}));

    const Matrix4 ones = Of({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1});
    EXPECT_EQ(Cancelling.Multiply(ones).m[0], Tiny) << "sum not formed in double";
}

TEST(VectorTest, TransformAppliesTheFirstThreeRowsToTheOldPointInDouble)
{
    // Swaps x and y, keeps z, adds (1, 2, 3); the fourth row must not count.
    Vector3 v{1.5f, -2.0f, 4.0f};
    v.Transform(Of({0, 1, 0, 1, 1, 0, 0, 2, 0, 0, 1, 3, 9, 9, 9, 9}));
    EXPECT_EQ(v.x, -1.0f);
    EXPECT_EQ(v.y, 3.5f);
    EXPECT_EQ(v.z, 7.0f);

    Vector3 w{1, 1, 1};
    w.Transform(Cancelling);
    EXPECT_EQ(w.x, Tiny) << "sum not formed in double";
}

TEST(VectorTest, ProjectScalesByTheExactFocalLengthAroundTheCentre)
{
    Vector3 v{1, 1, 20};
    EXPECT_EQ(&Project(v), &v);
    EXPECT_EQ(v.x, static_cast<float>(400 + 965.6854248046875 / 20)); // 448.284
    EXPECT_EQ(v.y, static_cast<float>(300 - 965.6854248046875 / 20)); // 251.716
    EXPECT_EQ(v.z, 20.0f);
}

} // namespace
