// Controls of the web services for the page's test entry.
#pragma once

namespace web
{
// Whether Flip puts frames on the canvas and waits for the display (the default). Off, frames
// are drawn and dropped, so that drawing alone can be timed.
void SetPresenting(bool on);
} // namespace web
