#include "show/ShowState.h"

int RunState = 0;

VornGFX* GfxDevice = nullptr;

IDirectDrawSurface7* SurfJ1 = nullptr;
IDirectDrawSurface7* SurfJ2 = nullptr;
IDirectDrawSurface7* SurfJ3 = nullptr;
IDirectDrawSurface7* SurfBlend = nullptr;
IDirectDrawSurface7* SurfWarp = nullptr;
IDirectDrawSurface7* SurfScroller = nullptr;
IDirectDrawSurface7* SurfStrip = nullptr;
IDirectDrawSurface7* SurfInitial = nullptr;
IDirectDrawSurface7* SurfWipe = nullptr;
IDirectDrawSurface7* SurfBlack = nullptr;
IDirectDrawSurface7* SurfFade = nullptr;
IDirectDrawSurface7* SurfIris = nullptr;

void* MusicStream = nullptr;
DWORD StartTick = 0;
DWORD DemoStep = 0;
float CubeAngle = 0.0f;

int* SpanLeft = nullptr;
int* SpanRight = nullptr;

void ResetShowState()
{
    RunState = 0;
    GfxDevice = nullptr;
    for (IDirectDrawSurface7** surface :
         {&SurfJ1, &SurfJ2, &SurfJ3, &SurfBlend, &SurfWarp, &SurfScroller, &SurfStrip, &SurfInitial,
          &SurfWipe, &SurfBlack, &SurfFade, &SurfIris})
        *surface = nullptr;
    MusicStream = nullptr;
    StartTick = 0;
    DemoStep = 0;
    CubeAngle = 0.0f;
    SpanLeft = nullptr;
    SpanRight = nullptr;
}
