// Time service: the millisecond counter behind the Win32 stand-in's GetTickCount (on Windows the
// demo reads the real one). Tests and the capture tool freeze it at chosen values; the launcher
// can start the show at a later moment, and the platform can hold the counter still (pause).
#pragma once

#include <cstdint>

namespace sys
{

// Every service that needs the time: milliseconds from a monotonic clock, moved on by the start
// offset and stopped while held, wrapping at 2^32.
std::uint32_t TickCount();

// GetTickCount in the Win32 stand-in: TickCount, as the show reads it. The show's first reading
// is StartTick, start-up's last act; right after it, the start offset moves the counter on. The
// first reading after each presented frame is the next frame's time (see ShownFrameTime).
std::uint32_t ShowTickCount();

// The launcher, before the show starts (--start): the show begins `ms` into its timeline, as if
// it had been playing that long; the music follows the counter there.
void SetStartOffset(std::uint32_t ms);

// The sound services that cannot move their music once it plays (waveOut): the start offset the
// show's first reading is going to apply, so that the music can start there; 0 once applied.
std::uint32_t PendingStartOffset();

// Counts the times the counter has jumped (the start offset): the sound services put the music
// where the counter now says when it changes.
std::uint32_t TickJumps();

// The platform's pause key: holds the counter still while `held`; let go, it goes on from the
// value it held. The sound services play nothing while it is held.
void HoldTicks(bool held);
bool TicksHeld();

// The video services, after showing a frame: that frame was drawn from the show's first reading
// since the frame before.
void NoteFramePresented();

// The platform's screenshot key: milliseconds from StartTick to the reading the frame on screen
// was drawn from. False before the first frame.
bool ShownFrameTime(std::uint32_t& ms);

// Tests and the capture tool: TickCount returns `ticks` from now on, until the next call.
void SetVirtualTicks(std::uint32_t ticks);

// Undoes SetVirtualTicks: TickCount follows the monotonic clock again.
void UseRealTicks();

} // namespace sys
