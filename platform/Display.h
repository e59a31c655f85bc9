// How a frame is placed on a larger or smaller screen and how large the window may be, shared by
// the launcher and the window and video services, so that every platform follows the same rules.
#pragma once

namespace display
{

struct Rect
{
    int x, y, width, height;
    bool operator==(const Rect&) const = default;
};

// The video services, whenever the window's size changes: where a width x height frame is shown
// in an area of the given size. The largest rectangle of the frame's proportions that fits,
// centred, with black bars beside or above it. It is drawn with nearest-neighbour sampling,
// so in an area that holds a whole multiple of the frame every pixel becomes a square block.
Rect FitFrame(int areaWidth, int areaHeight, int frameWidth, int frameHeight);

// The window services, when the window opens: the window `scale` times the size of `asked`,
// centred where the shell centred its own (the position moves by half the growth).
Rect ScaledWindow(const Rect& asked, int scale);

// The launcher, for --scale: the largest factor from 1 to `scale` whose window of
// frameWidth x frameHeight times it fits an area of the given size; 1 when none does. Only whole
// factors: each pixel of the frame stays a square block.
int FittingScale(int scale, int frameWidth, int frameHeight, int areaWidth, int areaHeight);

// The window services, when the window opens: `window` moved the least distance that puts it
// inside `area`, on each axis where it fits; left where it is on an axis where it does not.
Rect KeepInside(const Rect& window, const Rect& area);

} // namespace display
