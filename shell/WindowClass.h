// The name of the demo's window class: registered by WinMain, and how the Windows video service
// finds the demo's window (the graphics device is never handed it).
#pragma once

inline constexpr char DemoWindowClass[] = "VornWin";
