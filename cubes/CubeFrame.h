// The cube frame: six cubes turning together about their own centres, filled additively with
// their flat face colours on a black BackBuffer.
#pragma once

// Rotation angle in radians: the seconds since StartTick, taken at the end of the previous cube
// frame. 0 until the first cube frame has ended, so that frame draws the cubes unrotated.
extern float CubeAngle;

// RenderFrame, for steps 850 to 1299. BackBuffer must be unlocked; it is unlocked again
// afterwards and holds the cube picture. Allocates nothing.
void DrawCubes();
