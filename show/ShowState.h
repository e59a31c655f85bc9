// The show's shared state: the run flag, the graphics device, the twelve surfaces, the music,
// the show's time zero, the frame's timeline position, the cube angle and the triangle fill's
// span tables. Start-up creates what they hold, frames read and write them, shutdown releases
// them; every floor of the show stands on this one.
#pragma once

#include <windows.h>

#include "gfx/VornGFX.h"

// 0 until start-up has finished, 1 while frames are drawn, 2 from the close request on.
extern int RunState;

extern VornGFX* GfxDevice;

extern IDirectDrawSurface7* SurfJ1;       // picture "j1.jpg"
extern IDirectDrawSurface7* SurfJ2;       // picture "j2.jpg"
extern IDirectDrawSurface7* SurfJ3;       // picture "j3.jpg"
extern IDirectDrawSurface7* SurfBlend;    // picture-sized output of the pulsing blend
extern IDirectDrawSurface7* SurfWarp;     // square output of the sine row warp
extern IDirectDrawSurface7* SurfScroller; // picture "scroller.jpg"
extern IDirectDrawSurface7* SurfStrip;    // black, the scroller picture, black
extern IDirectDrawSurface7* SurfInitial;  // picture "initial.jpg"
extern IDirectDrawSurface7* SurfWipe;     // picture-sized output of the reveal wipe
extern IDirectDrawSurface7* SurfBlack;    // picture-sized, black
extern IDirectDrawSurface7* SurfFade;     // picture-sized output of the fade to black
extern IDirectDrawSurface7* SurfIris;     // screen-sized enlarged warp picture of the iris wipe

extern void* MusicStream;

// Tick count taken as the last act of start-up: the show's time zero.
extern DWORD StartTick;

// Timeline position of the current frame: elapsed milliseconds since StartTick, in steps.
extern DWORD DemoStep;

// Cube rotation angle in radians: the seconds since StartTick, taken at the end of the previous
// cube frame. 0 until the first cube frame has ended, so that frame draws the cubes unrotated.
extern float CubeAngle;

// The triangle fill's per-row span tables (one entry per screen row each), allocated by
// StartDemo and freed by StopDemo. For row y the fill covers x = SpanLeft[y] .. SpanRight[y] - 1.
// Each fill resets them to its empty-row markers and then traces the triangle's outline into
// them.
extern int* SpanLeft;
extern int* SpanRight;

// A show run again in the same process (tools, tests): every value above back to what it is at
// process start. Only between a StopDemo and the next StartDemo.
void ResetShowState();
