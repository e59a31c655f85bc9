// Start-up and shutdown: every resource of the show is acquired here once and released once.
#include "shell/Demo.h"

#include <fmod.h>

#include "cubes/CubeMesh.h"
#include "effects/BlobField.h"
#include "show/Geometry.h"
#include "show/ShowState.h"

void StartDemo()
{
    BuildBlobSprite();

    GfxDevice = new VornGFX(ScreenWidth, ScreenHeight, 32, 1, 2);

    GfxDevice->CreateSurface(PictureWidth, PictureHeight, &SurfJ1);
    GfxDevice->CreateSurface(PictureWidth, PictureHeight, &SurfJ2);
    GfxDevice->CreateSurface(PictureWidth, PictureHeight, &SurfJ3);
    GfxDevice->CreateSurface(PictureWidth, PictureHeight, &SurfBlend);
    GfxDevice->CreateSurface(WarpSize, WarpSize, &SurfWarp);
    GfxDevice->CreateSurface(ScrollerWidth, ScrollerHeight, &SurfScroller);
    GfxDevice->CreateSurface(ScrollerWidth, StripHeight, &SurfStrip);
    GfxDevice->CreateSurface(PictureWidth, PictureHeight, &SurfInitial);
    GfxDevice->CreateSurface(PictureWidth, PictureHeight, &SurfWipe);
    GfxDevice->CreateSurface(PictureWidth, PictureHeight, &SurfBlack);
    GfxDevice->CreateSurface(PictureWidth, PictureHeight, &SurfFade);
    GfxDevice->CreateSurface(ScreenWidth, ScreenHeight, &SurfIris);

    GfxDevice->LoadJPEG("scroller.jpg", SurfScroller);
    GfxDevice->LoadJPEG("j1.jpg", SurfJ1);
    GfxDevice->LoadJPEG("j2.jpg", SurfJ2);
    GfxDevice->LoadJPEG("j3.jpg", SurfJ3);
    GfxDevice->LoadJPEG("initial.jpg", SurfInitial);

    ShowCursor(FALSE);

    SpanLeft = new int[ScreenHeight];
    SpanRight = new int[ScreenHeight];

    BuildCubes();

    GfxDevice->ClearSurf(0, 0, 0, SurfBlack);
    // The scroll strip: black, the scroller picture, black.
    const RECT black = {0, 0, ScrollerWidth, PictureHeight};
    const RECT scroller = {0, 0, ScrollerWidth, ScrollerHeight};
    const LONG below = PictureHeight + ScrollerHeight;
    GfxDevice->Blt(RECT{0, 0, ScrollerWidth, PictureHeight}, SurfStrip, black, SurfBlack);
    GfxDevice->Blt(RECT{0, below, ScrollerWidth, StripHeight}, SurfStrip, black, SurfBlack);
    GfxDevice->Blt(RECT{0, PictureHeight, ScrollerWidth, below}, SurfStrip, scroller, SurfScroller);

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
