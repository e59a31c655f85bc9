#include "platform/Display.h"

namespace display
{

Rect FitFrame(int areaWidth, int areaHeight, int frameWidth, int frameHeight)
{
    if (areaWidth <= 0 || areaHeight <= 0 || frameWidth <= 0 || frameHeight <= 0)
        return {0, 0, 0, 0};
    // The side that limits the enlargement fills the area; the other keeps the proportions.
    const long long w = areaWidth, h = areaHeight;
    Rect fit{0, 0, areaWidth, areaHeight};
    if (w * frameHeight <= h * frameWidth)
        fit.height = static_cast<int>(w * frameHeight / frameWidth);
    else
        fit.width = static_cast<int>(h * frameWidth / frameHeight);
    fit.x = (areaWidth - fit.width) / 2;
    fit.y = (areaHeight - fit.height) / 2;
    return fit;
}

Rect ScaledWindow(const Rect& asked, int scale)
{
    const int width = asked.width * scale, height = asked.height * scale;
    return {asked.x - (width - asked.width) / 2, asked.y - (height - asked.height) / 2, width,
            height};
}

int FittingScale(int scale, int frameWidth, int frameHeight, int areaWidth, int areaHeight)
{
    int fits = scale;
    while (fits > 1 && (static_cast<long long>(frameWidth) * fits > areaWidth ||
                        static_cast<long long>(frameHeight) * fits > areaHeight))
        --fits;
    return fits < 1 ? 1 : fits;
}

Rect KeepInside(const Rect& window, const Rect& area)
{
    // One axis: the start moved into [from, from + room - size], where the window fits.
    const auto inside = [](int start, int size, int from, int room)
    {
        if (size > room)
            return start;
        if (start < from)
            return from;
        return start + size > from + room ? from + room - size : start;
    };
    return {inside(window.x, window.width, area.x, area.width),
            inside(window.y, window.height, area.y, area.height), window.width, window.height};
}

} // namespace display
