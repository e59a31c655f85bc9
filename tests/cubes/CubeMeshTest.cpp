// Cube meshes after BuildCubes: placements, triangles and colours.
#include "cubes/CubeMesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <vector>

namespace
{

TEST(CubeMeshTest, PlacementsHoldThePyramidInTheirFourthRow)
{
    BuildCubes();
    const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -6, -4, 20, 1};
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(Cubes[3].Placement.m[i], expected[i]) << "element " << i;
    }
    // One cube on top at x = -2, two in the middle, three below.
    const float xy[CubeCount][2] = {{-2, 4}, {-4, 0}, {2, 0}, {-6, -4}, {0, -4}, {6, -4}};
    BuildCubes(); // a second start-up builds the same
    for (int k = 0; k < CubeCount; ++k)
    {
        EXPECT_EQ(Cubes[k].Placement.m[12], xy[k][0]) << "cube " << k;
        EXPECT_EQ(Cubes[k].Placement.m[13], xy[k][1]) << "cube " << k;
        EXPECT_EQ(Cubes[k].Placement.m[14], 20.0f) << "cube " << k;
        EXPECT_EQ(Cubes[k].Placement.m[3], 0.0f) << "cube " << k;
    }
}

TEST(CubeMeshTest, TrianglePairsCoverTheSixFacesOfTheirOwnCube)
{
    BuildCubes();
    // Pairs in order: near, left, far, right, top and bottom face, as axis, side and colour.
    struct Face
    {
        int axis;
        float side;
        unsigned char red, green;
    };
    const Face faces[6] = {{2, -1, 150, 0}, {0, -1, 0, 50}, {2, 1, 0, 100},
                           {0, 1, 0, 150},  {1, 1, 50, 0},  {1, -1, 100, 0}};
    const auto at = [](int vertex, int axis)
    {
        const Vector3& p = CubeTemplate[vertex].Position;
        return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
    };

    for (int k = 0; k < CubeCount; ++k)
    {
        const CubeVertex* own = Cubes[k].Vertices;
        for (int pair = 0; pair < 6; ++pair)
        {
            std::set<long> corners[2];
            for (int half = 0; half < 2; ++half)
            {
                const CubeTriangle& triangle = Cubes[k].Triangles[2 * pair + half];
                for (const CubeVertex* corner : triangle.Corners)
                {
                    ASSERT_TRUE(corner >= own && corner < own + CubeVertexCount) << "cube " << k;
                    corners[half].insert(corner - own);
                }
                ASSERT_EQ(corners[half].size(), 3u);
                EXPECT_EQ(triangle.Colour[0], faces[pair].red);
                EXPECT_EQ(triangle.Colour[1], faces[pair].green);
                EXPECT_EQ(triangle.Colour[2], 250);
            }
            // Four corners on the face's plane; the shared edge is its diagonal.
            std::vector<long> shared;
            std::set_intersection(corners[0].begin(), corners[0].end(), corners[1].begin(),
                                  corners[1].end(), std::back_inserter(shared));
            ASSERT_EQ(shared.size(), 2u) << "cube " << k << " pair " << pair;
            int differing = 0;
            for (int axis = 0; axis < 3; ++axis)
            {
                differing += at(shared[0], axis) != at(shared[1], axis);
            }
            EXPECT_EQ(differing, 2) << "cube " << k << " pair " << pair;
            for (const auto& half : corners)
            {
                for (const long vertex : half)
                {
                    EXPECT_EQ(at(vertex, faces[pair].axis), faces[pair].side)
                        << "cube " << k << " pair " << pair;
                }
            }
        }
    }
}

} // namespace
