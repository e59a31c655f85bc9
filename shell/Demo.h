// The application shell: the window, and the start-up and shutdown of everything the show needs.
#pragma once

#include <windows.h>

extern HWND MainWindow;

// WinMain, once, after showing the window: creates everything the show needs.
void StartDemo();
// DemoWndProc on WM_CLOSE: releases everything StartDemo created.
void StopDemo();

LRESULT CALLBACK DemoWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
