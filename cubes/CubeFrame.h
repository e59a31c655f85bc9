// The cube frame: six cubes turning together about their own centres, filled additively with
// their flat face colours on a black BackBuffer.
#pragma once

// RenderFrame, for the cube steps (CubesFirstStep .. CubesLastStep). BackBuffer must be unlocked;
// it is unlocked again afterwards and holds the cube picture. Allocates nothing.
void DrawCubes();
