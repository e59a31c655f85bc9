#include "cubes/CubeMesh.h"

constinit CubeVertex CubeTemplate[CubeVertexCount];
constinit CubeMesh Cubes[CubeCount];

namespace
{

// Corners: x to the right, y up, z away from the camera; 0-3 the near face, 4-7 the far face.
constexpr float TemplateCorners[CubeVertexCount][3] = {
    {1, 1, -1}, {1, -1, -1}, {-1, -1, -1}, {-1, 1, -1},
    {1, 1, 1},  {1, -1, 1},  {-1, -1, 1},  {-1, 1, 1},
};

// Triangles 2i and 2i + 1 share a diagonal and cover one face.
struct TriangleRecipe
{
    int Corners[3];
    unsigned char Colour[3];
};

constexpr TriangleRecipe Recipes[CubeTriangleCount] = {
    {{0, 1, 2}, {150, 0, 250}},                             // near face, z = -1
    {{0, 2, 3}, {150, 0, 250}}, {{3, 2, 6}, {0, 50, 250}},  // left face, x = -1
    {{3, 6, 7}, {0, 50, 250}},  {{4, 7, 6}, {0, 100, 250}}, // far face, z = +1
    {{4, 6, 5}, {0, 100, 250}}, {{0, 4, 5}, {0, 150, 250}}, // right face, x = +1
    {{0, 5, 1}, {0, 150, 250}}, {{7, 4, 0}, {50, 0, 250}},  // top face, y = +1
    {{7, 0, 3}, {50, 0, 250}},  {{5, 6, 2}, {100, 0, 250}}, // bottom face, y = -1
    {{5, 2, 1}, {100, 0, 250}},
};

// One cube in the top row, two in the middle and three at the bottom.
constexpr float Positions[CubeCount][3] = {
    {-2, 4, 20}, {-4, 0, 20}, {2, 0, 20}, {-6, -4, 20}, {0, -4, 20}, {6, -4, 20},
};

} // namespace

void BuildCubes()
{
    for (int i = 0; i < CubeVertexCount; ++i)
    {
        CubeTemplate[i].Position = {TemplateCorners[i][0], TemplateCorners[i][1],
                                    TemplateCorners[i][2]};
    }

    for (CubeMesh& cube : Cubes)
    {
        for (int t = 0; t < CubeTriangleCount; ++t)
        {
            CubeTriangle& triangle = cube.Triangles[t];
            const TriangleRecipe& recipe = Recipes[t];
            for (int c = 0; c < 3; ++c)
            {
                triangle.Corners[c] = &cube.Vertices[recipe.Corners[c]];
            }
            triangle.Normal = Vector3{};
            triangle.SetColour(recipe.Colour[0], recipe.Colour[1], recipe.Colour[2]);
        }
    }

    // Translate on the identity leaves the position in the fourth row, the form the cube
    // frame's composition expects. Reset first so that a second start-up builds the same.
    for (int k = 0; k < CubeCount; ++k)
    {
        Cubes[k].Placement.Identity();
        Cubes[k].Placement.Translate(Positions[k][0], Positions[k][1], Positions[k][2]);
    }
}
