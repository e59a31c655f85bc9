#include "cubes/TriangleFill.h"

#include "shell/Demo.h"

#include <cmath>

int* SpanLeft = nullptr;
int* SpanRight = nullptr;

namespace
{

constexpr int Rows = 600;
constexpr int Columns = 800;
// Empty-row markers. The left one is 799, not 800: a row whose only recorded x is 800 (a part
// of the triangle right of the screen) still fills its last pixel, x = 799.
constexpr int EmptyLeft = Columns - 1;
constexpr int EmptyRight = 0;

// Records the edge from a to b into the span tables, one entry per row from its upper end.
void TraceEdge(const Vector3& a, const Vector3& b)
{
    const Vector3& s = a.y > b.y ? b : a;
    const Vector3& e = a.y > b.y ? a : b;
    const float dy = static_cast<float>(double{e.y} - s.y);
    const float slope = static_cast<float>((double{e.x} - s.x) / dy);
    const int y0 = static_cast<int>(s.y);
    const int x0 = static_cast<int>(s.x);
    const int n = static_cast<int>(dy);

    for (int j = 0; j <= n; ++j)
    {
        // Offset truncated by itself, then added to the truncated start. At j = 0 it is 0
        // even when dy is 0 and the slope infinite or undefined.
        int x = x0 + (j == 0 ? 0 : static_cast<int>(j * double{slope}));
        if (x < 0)
        {
            x = 0;
        }
        else if (x > Columns)
        {
            x = Columns;
        }
        const int row = y0 + j;
        if (row >= Rows)
        {
            break;
        }
        if (row < 0)
        {
            continue;
        }
        if (x < SpanLeft[row])
        {
            SpanLeft[row] = x;
        }
        if (x > SpanRight[row])
        {
            SpanRight[row] = x;
        }
    }
}

} // namespace

void FillTriangle(const CubeTriangle& triangle, unsigned char* base, long pitch)
{
    const Vector3& p0 = triangle.Corners[0]->Position;
    const Vector3& p1 = triangle.Corners[1]->Position;
    const Vector3& p2 = triangle.Corners[2]->Position;

    // Rows covered beyond the first: the largest vertical distance between two corners.
    const float d01 = static_cast<float>(std::fabs(double{p0.y} - p1.y));
    const float d02 = static_cast<float>(std::fabs(double{p0.y} - p2.y));
    const float d12 = static_cast<float>(std::fabs(double{p1.y} - p2.y));
    float largest = d01;
    if (d02 > largest)
    {
        largest = d02;
    }
    if (d12 > largest)
    {
        largest = d12;
    }
    const int height = static_cast<int>(largest);

    for (int row = 0; row < Rows; ++row)
    {
        SpanLeft[row] = EmptyLeft;
        SpanRight[row] = EmptyRight;
    }

    TraceEdge(p0, p1);
    TraceEdge(p1, p2);
    TraceEdge(p2, p0);

    float top = p0.y;
    if (p1.y < top)
    {
        top = p1.y;
    }
    if (p2.y < top)
    {
        top = p2.y;
    }
    const int yStart = static_cast<int>(top);
    const int yEnd = yStart + height;
    const unsigned char addRed = triangle.Colour[0];
    const unsigned char addGreen = triangle.Colour[1];
    const unsigned char addBlue = triangle.Colour[2];

    for (int y = yStart; y <= yEnd; ++y)
    {
        if (y >= Rows)
        {
            break;
        }
        if (y < 0 || SpanLeft[y] >= SpanRight[y])
        {
            continue;
        }
        const auto py = static_cast<unsigned short>(y);
        for (int x = SpanLeft[y]; x < SpanRight[y]; ++x)
        {
            const auto px = static_cast<unsigned short>(x);
            unsigned char red;
            unsigned char green;
            unsigned char blue;
            GfxDevice->GetPixel32(px, py, &red, &green, &blue, base, pitch);
            GfxDevice->PutPixel(px, py, static_cast<unsigned char>(red + addRed),
                                static_cast<unsigned char>(green + addGreen),
                                static_cast<unsigned char>(blue + addBlue), base, pitch);
        }
    }
}
