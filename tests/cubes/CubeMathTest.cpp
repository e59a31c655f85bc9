// Vector and matrix math: the transposing product and what the cube frame builds on it; the
// cube meshes. The placements of the cubes show in the cube frame.
#include "cubes/CubeMath.h"
#include "cubes/CubeMesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <set>
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
    EXPECT_EQ(std::bit_cast<std::uint32_t>(FieldOfView), 0x3F490FDBu);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(FocalLength), 0x44716BDEu);

    Vector3 v{1, 1, 20};
    EXPECT_EQ(&Project(v), &v);
    EXPECT_EQ(v.x, static_cast<float>(400 + 965.6854248046875 / 20)); // 448.284
    EXPECT_EQ(v.y, static_cast<float>(300 - 965.6854248046875 / 20)); // 251.716
    EXPECT_EQ(v.z, 20.0f);
}

TEST(CubeMeshTest, TrianglePairsCoverTheSixFacesOfTheirOwnCube)
{
    BuildCubes();
    // Pairs in order: near, left, far, right, top and bottom face: axis, side, red, green.
    const int faces[6][4] = {{2, -1, 150, 0}, {0, -1, 0, 50}, {2, 1, 0, 100},
                             {0, 1, 0, 150},  {1, 1, 50, 0},  {1, -1, 100, 0}};
    const auto at = [](long vertex, int axis)
    {
        const Vector3& p = CubeTemplate[vertex].Position;
        return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
    };
    for (int k = 0; k < CubeCount; ++k)
        for (int pair = 0; pair < 6; ++pair)
        {
            const int* face = faces[pair];
            std::set<long> corners[2];
            for (int half = 0; half < 2; ++half)
            {
                const CubeTriangle& t = Cubes[k].Triangles[2 * pair + half];
                EXPECT_TRUE(t.Colour[0] == face[2] && t.Colour[1] == face[3] && t.Colour[2] == 250)
                    << "cube " << k << " pair " << pair;
                for (const CubeVertex* corner : t.Corners)
                    corners[half].insert(corner - Cubes[k].Vertices);
            }
            std::vector<long> shared;
            std::set_intersection(corners[0].begin(), corners[0].end(), corners[1].begin(),
                                  corners[1].end(), std::back_inserter(shared));
            ASSERT_TRUE(corners[0].size() == 3 && corners[1].size() == 3 && shared.size() == 2)
                << "cube " << k << " pair " << pair;
            for (const std::set<long>& half : corners)
                for (const long v : half)
                {
                    ASSERT_TRUE(v >= 0 && v < CubeVertexCount) << "not of cube " << k;
                    EXPECT_EQ(at(v, face[0]), face[1]) << "cube " << k << " pair " << pair;
                }
            // The shared edge is the face's diagonal: its ends differ in two coordinates.
            int differing = 0;
            for (int axis = 0; axis < 3; ++axis)
                differing += at(shared[0], axis) != at(shared[1], axis);
            EXPECT_EQ(differing, 2) << "cube " << k << " pair " << pair;
        }
}

} // namespace
