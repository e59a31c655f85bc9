// The demo's global state: the window, the run flag, the graphics device, the twelve
// surfaces, the music and the show's time zero. All of it lives from start-up to shutdown.
#pragma once

#include <windows.h>

#include "gfx/VornGFX.h"

// 0 until start-up has finished, 1 while frames are drawn, 2 from the close request on.
extern int RunState;
extern HWND MainWindow;

extern VornGFX* GfxDevice;

extern IDirectDrawSurface7* SurfJ1;       // 400x300 "j1.jpg"
extern IDirectDrawSurface7* SurfJ2;       // 400x300 "j2.jpg"
extern IDirectDrawSurface7* SurfJ3;       // 400x300 "j3.jpg"
extern IDirectDrawSurface7* SurfBlend;    // 400x300 output of the pulsing blend
extern IDirectDrawSurface7* SurfWarp;     // 300x300 output of the sine row warp
extern IDirectDrawSurface7* SurfScroller; // 400x600 "scroller.jpg"
extern IDirectDrawSurface7* SurfStrip;    // 400x1200 black, scroller picture, black
extern IDirectDrawSurface7* SurfInitial;  // 400x300 "initial.jpg"
extern IDirectDrawSurface7* SurfWipe;     // 400x300 output of the reveal wipe
extern IDirectDrawSurface7* SurfBlack;    // 400x300 black
extern IDirectDrawSurface7* SurfFade;     // 400x300 output of the fade to black
extern IDirectDrawSurface7* SurfIris;     // 800x600 enlarged warp picture of the iris wipe

extern void* MusicStream;

// Tick count taken as the last act of start-up: the show's time zero.
extern DWORD StartTick;

// WinMain, once, after showing the window: creates everything the show needs.
void StartDemo();
// DemoWndProc on WM_CLOSE: releases everything StartDemo created.
void StopDemo();

LRESULT CALLBACK DemoWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
