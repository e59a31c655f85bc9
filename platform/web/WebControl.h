// Controls of the web services for the page's test entry.
#pragma once

namespace web
{
// Whether Flip puts frames on the canvas and waits for the display (the default). Off, frames
// are drawn and dropped, so that drawing alone can be timed.
void SetPresenting(bool on);

// Whether Flip waits for the browser's next animation frame after putting a frame on the canvas
// and telling the page to show it (the default). Off, frames are put on the canvas one after
// another, not shown, to be read back at once.
void SetWaitingForDisplay(bool on);
} // namespace web
