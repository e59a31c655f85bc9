// Vector and matrix math: the transposing product and what the cube frame builds on it.
#include "cubes/CubeMath.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace
{

Matrix4 Of(const float (&v)[16])
{
    Matrix4 result;
    std::copy(v, v + 16, result.m);
    return result;
}

const Matrix4 Identity4 = Of({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
// Small integers: every product and sum below is exact in float.
const Matrix4 A = Of({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
const Matrix4 B = Of({2, 0, 1, 3, -1, 4, 0, 2, 5, 1, -2, 0, 0, 3, 1, -1});
// Row 0 sums 1 + 2^-30 - 1: 0 in float, 2^-30 in double.
const float Tiny = std::ldexp(1.0f, -30);
const Matrix4 Cancelling = Of({1, Tiny, -1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});

void ExpectEqual(const Matrix4& actual, const Matrix4& expected)
{
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(actual.m[i], expected.m[i]) << "element " << i;
    }
}

Matrix4 Transposed(const Matrix4& x)
{
    Matrix4 t;
    for (int i = 0; i < 16; ++i)
    {
        t.m[i] = x.m[4 * (i % 4) + i / 4];
    }
    return t;
}

TEST(MatrixTest, ConstructionAndIdentityGiveTheIdentity)
{
    ExpectEqual(Matrix4{}, Identity4);
    Matrix4 x = A;
    x.Identity();
    ExpectEqual(x, Identity4);
}

TEST(MatrixTest, MultiplyStoresTheProductTransposed)
{
    Matrix4 product;
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            product.m[4 * r + c] = A.m[4 * r] * B.m[c] + A.m[4 * r + 1] * B.m[4 + c] +
                                   A.m[4 * r + 2] * B.m[8 + c] + A.m[4 * r + 3] * B.m[12 + c];
        }
    }
    ExpectEqual(A.Multiply(B), Transposed(product));
    ExpectEqual(A.Multiply(Matrix4{}), Transposed(A));
    ExpectEqual(Matrix4{}.Multiply(A), Transposed(A));

    const Matrix4 ones = Of({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1});
    EXPECT_EQ(Cancelling.Multiply(ones).m[0], Tiny) << "sum not formed in double";
}

TEST(MatrixTest, TranslateOnTheIdentityFillsTheFourthRow)
{
    Matrix4 t;
    t.Translate(-2, 4, 20);
    ExpectEqual(t, Of({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -2, 4, 20, 1}));
    Vector3 v{3.5f, -1.25f, 7.0f};
    v.Transform(t);
    EXPECT_EQ(v.x, 3.5f);
    EXPECT_EQ(v.y, -1.25f);
    EXPECT_EQ(v.z, 7.0f);
}

TEST(MatrixTest, RotateOnTheIdentityIsRxOfMinusATimesRyOfB)
{
    Matrix4 zero;
    zero.Rotate(0, 0, 0);
    ExpectEqual(zero, Identity4);

    for (const float a : {0.7f, -2.3f, 42.500004f})
    {
        const float b = a * -0.5f;
        Matrix4 r;
        r.Rotate(a, b, 0);
        const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
        const double expected[16] = {cb,       0,   sb,      0, -sa * sb, ca, sa * cb, 0,
                                     -ca * sb, -sa, ca * cb, 0, 0,        0,  0,       1};
        for (int i = 0; i < 16; ++i)
        {
            EXPECT_NEAR(r.m[i], expected[i], 1e-6) << "a = " << a << ", element " << i;
        }
    }
}

TEST(VectorTest, TransformAppliesTheFirstThreeRowsToTheOldPoint)
{
    Vector3 v{1.5f, -2.0f, 4.0f};
    v.Transform(Matrix4{});
    EXPECT_EQ(v.x, 1.5f);
    // Swaps x and y, keeps z, adds (1, 2, 3); the fourth row must not count.
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
    EXPECT_EQ(std::bit_cast<std::uint32_t>(FieldOfView), 0x3F490FDBu);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(FocalLength), 0x44716BDEu);

    Vector3 centre{0, 0, 20};
    EXPECT_EQ(&Project(centre), &centre);
    EXPECT_EQ(centre.x, 400.0f);
    EXPECT_EQ(centre.y, 300.0f);

    Vector3 v{1, 1, 20};
    Project(v);
    EXPECT_EQ(v.x, static_cast<float>(400 + 965.6854248046875 / 20)); // 448.284
    EXPECT_EQ(v.y, static_cast<float>(300 - 965.6854248046875 / 20)); // 251.716
    EXPECT_EQ(v.z, 20.0f);
}

} // namespace
