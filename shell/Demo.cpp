// Start-up and shutdown: every resource of the show is acquired here once and released once.
#include "shell/Demo.h"

#include <fmod.h>

#include "cubes/CubeMesh.h"
#include "cubes/TriangleFill.h"
#include "effects/BlobField.h"

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

void StartDemo()
{
    BuildBlobSprite();

    GfxDevice = new VornGFX(800, 600, 32, 1, 2);

    GfxDevice->CreateSurface(400, 300, &SurfJ1);
    GfxDevice->CreateSurface(400, 300, &SurfJ2);
    GfxDevice->CreateSurface(400, 300, &SurfJ3);
    GfxDevice->CreateSurface(400, 300, &SurfBlend);
    GfxDevice->CreateSurface(300, 300, &SurfWarp);
    GfxDevice->CreateSurface(400, 600, &SurfScroller);
    GfxDevice->CreateSurface(400, 1200, &SurfStrip);
    GfxDevice->CreateSurface(400, 300, &SurfInitial);
    GfxDevice->CreateSurface(400, 300, &SurfWipe);
    GfxDevice->CreateSurface(400, 300, &SurfBlack);
    GfxDevice->CreateSurface(400, 300, &SurfFade);
    GfxDevice->CreateSurface(800, 600, &SurfIris);

    GfxDevice->LoadJPEG("scroller.jpg", SurfScroller);
    GfxDevice->LoadJPEG("j1.jpg", SurfJ1);
    GfxDevice->LoadJPEG("j2.jpg", SurfJ2);
    GfxDevice->LoadJPEG("j3.jpg", SurfJ3);
    GfxDevice->LoadJPEG("initial.jpg", SurfInitial);

    ShowCursor(FALSE);

    SpanLeft = new int[600];
    SpanRight = new int[600];

    BuildCubes();

    GfxDevice->ClearSurf(0, 0, 0, SurfBlack);
    // The scroll strip: black, the scroller picture, black.
    GfxDevice->Blt(RECT{0, 0, 400, 300}, SurfStrip, RECT{0, 0, 400, 300}, SurfBlack);
    GfxDevice->Blt(RECT{0, 900, 400, 1200}, SurfStrip, RECT{0, 0, 400, 300}, SurfBlack);
    GfxDevice->Blt(RECT{0, 300, 400, 900}, SurfStrip, RECT{0, 0, 400, 600}, SurfScroller);

    FSOUND_Init(44100, 32, 2);
    MusicStream = FSOUND_Stream_OpenFile("zeft.mp3", 2, 0);
    FSOUND_Stream_Play(0, static_cast<FSOUND_STREAM*>(MusicStream));

    StartTick = GetTickCount();
}

void StopDemo()
{
    FSOUND_Stream_Close(static_cast<FSOUND_STREAM*>(MusicStream));
    FSOUND_Close();

    GfxDevice->ReleaseSurface(SurfJ1);
    GfxDevice->ReleaseSurface(SurfJ2);
    GfxDevice->ReleaseSurface(SurfBlend);
    GfxDevice->ReleaseSurface(SurfJ3);
    GfxDevice->ReleaseSurface(SurfScroller);
    GfxDevice->ReleaseSurface(SurfWarp);
    GfxDevice->ReleaseSurface(SurfInitial);
    GfxDevice->ReleaseSurface(SurfWipe);
    GfxDevice->ReleaseSurface(SurfBlack);
    GfxDevice->ReleaseSurface(SurfFade);
    GfxDevice->ReleaseSurface(SurfStrip);
    GfxDevice->ReleaseSurface(SurfIris);

    delete GfxDevice;

    delete[] SpanLeft;
    delete[] SpanRight;

    ShowCursor(TRUE);
}
