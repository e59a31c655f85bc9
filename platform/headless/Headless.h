// Controls of the headless platform, for tests and the capture tool.
#pragma once

#include "platform/sys/Window.h"

#include <memory>

namespace music
{
class Player;
}

namespace headless
{

// Queues an input event as if the user or the desktop had sent it to the window. With
// `afterFrames`, the event arrives once that many frames have been presented in all.
void InjectInput(const sys::InputEvent& event, int afterFrames = 0);

// Desktop size that GetSystemMetrics reports (1024x768 unless changed).
void SetDesktopSize(int width, int height);

// What the platform has been asked to do so far, for checks.
struct Observed
{
    bool windowOpen = false;
    bool windowVisible = false;
    int windowX = 0, windowY = 0, windowWidth = 0, windowHeight = 0;
    bool cursorVisible = true;
    int framesPresented = 0;
};
const Observed& Observe();

// Music streams started and not yet closed.
int MusicPlaying();

// The capture tool, for a video's sound: the music last started and not yet closed, as a fresh
// player from its start that loops as the show's stream does; null when no music plays.
std::unique_ptr<music::Player> PlayingMusicFromStart();

// Forgets every queued event and observation, as at process start.
void Reset();

} // namespace headless
