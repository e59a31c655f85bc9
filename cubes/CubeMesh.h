// Cube meshes and scene set-up: six identical cubes of 8 vertices and 12 flat-coloured
// triangles, placed in a pyramid 20 units in front of the camera.
#pragma once

#include "cubes/CubeMath.h"

// One corner. Position is the model-space corner in CubeTemplate; in a cube after a frame's
// transform and projection it is screen x, screen y (pixels) and camera-space z.
struct CubeVertex
{
    Vector3 Position;
    // Normal and Colour are part of the vertex record's layout; the flat, unlit fill never
    // reads them.
    Vector3 Normal;
    unsigned char Colour[3] = {255, 255, 255};
};

// One flat triangle. Its corners are vertices of the mesh that holds it; Colour (red, green,
// blue) is added to every pixel the triangle covers.
struct CubeTriangle
{
    CubeVertex* Corners[3] = {nullptr, nullptr, nullptr};
    // Part of the triangle record's layout, set to zero; nothing culls or lights by it.
    Vector3 Normal;
    unsigned char Colour[3] = {0, 0, 0};

    void SetColour(unsigned char red, unsigned char green, unsigned char blue)
    {
        Colour[0] = red;
        Colour[1] = green;
        Colour[2] = blue;
    }
};

// One cube. Vertices and World are rewritten by every cube frame; Triangles and Placement are
// built once by BuildCubes.
struct CubeMesh
{
    CubeVertex Vertices[8];
    CubeTriangle Triangles[12];
    Matrix4 World;
    Matrix4 Placement;
};

constexpr int CubeCount = 6;
constexpr int CubeVertexCount = 8;
constexpr int CubeTriangleCount = 12;

// The model-space cube: centred on the origin, half-size 1.
extern CubeVertex CubeTemplate[CubeVertexCount];
// The six cubes, in drawing order.
extern CubeMesh Cubes[CubeCount];

// StartDemo: builds the six cube meshes, their triangles, colours and placements.
void BuildCubes();
