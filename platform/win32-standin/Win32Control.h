// Controls of the Win32 stand-in for tests, which run several demo lifecycles in one process.
#pragma once

namespace win32
{
// Forgets registered classes, windows, queued messages, the quit request and the cursor
// display counter, as at process start.
void ResetState();
// The cursor display counter kept by ShowCursor (0 at process start; hidden while below 0).
int CursorCount();
} // namespace win32
