// The frame sequencer: one complete frame of the show per call.
#pragma once

#include <windows.h>

// The main loop, whenever the message queue is empty and RunState is 1.
void RenderFrame();
