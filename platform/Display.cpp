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

} // namespace display
