#include "cubes/CubeFrame.h"

#include "cubes/CubeMesh.h"
#include "cubes/TriangleFill.h"
#include "show/ShowState.h"

#include <windows.h>

void DrawCubes()
{
    // One rotation for all cubes: Rx(-a) * Ry(a).
    Matrix4 rotation;
    rotation.Identity();
    rotation.Rotate(CubeAngle, CubeAngle, 0.0f);

    // Two transposing products turn the identity into T(position) * Rx(-a) * Ry(a): the first
    // leaves the rotation transposed, the second transposes it back and brings the position
    // from the fourth row of Placement into the fourth column.
    for (CubeMesh& cube : Cubes)
    {
        cube.World.Identity();
    }
    for (CubeMesh& cube : Cubes)
    {
        cube.World = cube.World.Multiply(rotation);
    }
    for (CubeMesh& cube : Cubes)
    {
        cube.World = cube.World.Multiply(cube.Placement);
    }

    for (CubeMesh& cube : Cubes)
    {
        for (int i = 0; i < CubeVertexCount; ++i)
        {
            cube.Vertices[i] = CubeTemplate[i];
        }
    }
    for (CubeMesh& cube : Cubes)
    {
        for (CubeVertex& vertex : cube.Vertices)
        {
            vertex.Position.Transform(cube.World);
            Project(vertex.Position);
        }
    }

    GfxDevice->ClearSurf(0, GfxDevice->BackBuffer);
    GfxDevice->Lock(GfxDevice->BackBuffer);
    for (const CubeMesh& cube : Cubes)
    {
        for (const CubeTriangle& triangle : cube.Triangles)
        {
            FillTriangle(triangle, GfxDevice->LockedBackPtr, GfxDevice->LockedBackPitch);
        }
    }
    GfxDevice->UnLock(GfxDevice->BackBuffer);

    // One radian per second; the unsigned difference survives a wrap of the tick counter.
    const DWORD elapsed = GetTickCount() - StartTick;
    CubeAngle = static_cast<float>(static_cast<double>(elapsed) * double{0.001f});
}
