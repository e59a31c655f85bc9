#include "cubes/TriangleFill.h"

#include "gfx/PixelKernels.h"
#include "show/Geometry.h"
#include "show/ShowState.h"

#include <cmath>
#include <cstdint>

namespace
{

constexpr int Rows = ScreenHeight;
constexpr int Columns = ScreenWidth;
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

// The entries TraceEdge records, without its tests on every step: the steps whose rows lie on
// the screen are worked out first. An edge of more than one row is not horizontal, so its slope
// is finite and j * slope truncates to 0 at j = 0, as TraceEdge's special case has it.
void TraceEdgeOnScreen(const Vector3& a, const Vector3& b)
{
    const Vector3& s = a.y > b.y ? b : a;
    const Vector3& e = a.y > b.y ? a : b;
    const float dy = static_cast<float>(double{e.y} - s.y);
    const float slope = static_cast<float>((double{e.x} - s.x) / dy);
    const int y0 = static_cast<int>(s.y);
    const int x0 = static_cast<int>(s.x);
    const int n = static_cast<int>(dy);
    const int first = y0 < 0 ? -y0 : 0;
    const int last = n < Rows - 1 - y0 ? n : Rows - 1 - y0;
    int* const left = SpanLeft + y0;
    int* const right = SpanRight + y0;
    if (n == 0)
    {
        if (first <= last)
        {
            const int x = x0 < 0 ? 0 : x0 > Columns ? Columns : x0;
            left[0] = x < left[0] ? x : left[0];
            right[0] = x > right[0] ? x : right[0];
        }
        return;
    }
    for (int j = first; j <= last; ++j)
    {
        int x = x0 + static_cast<int>(j * double{slope});
        x = x < 0 ? 0 : x > Columns ? Columns : x;
        left[j] = x < left[j] ? x : left[j];
        right[j] = x > right[j] ? x : right[j];
    }
}

// The triangle's rows: ystart = trunc(min y) .. yend = ystart + trunc(largest vertical distance
// between two corners), which can end one row above trunc(max y).
struct TriangleRows
{
    int yStart;
    int yEnd;
};

TriangleRows RowsOf(const Vector3& p0, const Vector3& p1, const Vector3& p2)
{
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
    return {yStart, yStart + height};
}

void ResetSpans(int first, int last)
{
    for (int row = first; row <= last; ++row)
    {
        SpanLeft[row] = EmptyLeft;
        SpanRight[row] = EmptyRight;
    }
}

} // namespace

void FillTrianglePerPixel(const CubeTriangle& triangle, unsigned char* base, long pitch)
{
    const Vector3& p0 = triangle.Corners[0]->Position;
    const Vector3& p1 = triangle.Corners[1]->Position;
    const Vector3& p2 = triangle.Corners[2]->Position;
    const TriangleRows rows = RowsOf(p0, p1, p2);

    ResetSpans(0, Rows - 1);
    TraceEdge(p0, p1);
    TraceEdge(p1, p2);
    TraceEdge(p2, p0);

    const unsigned char addRed = triangle.Colour[0];
    const unsigned char addGreen = triangle.Colour[1];
    const unsigned char addBlue = triangle.Colour[2];
    for (int y = rows.yStart; y <= rows.yEnd; ++y)
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

void FillTriangle(const CubeTriangle& triangle, unsigned char* base, long pitch)
{
    const Vector3& p0 = triangle.Corners[0]->Position;
    const Vector3& p1 = triangle.Corners[1]->Position;
    const Vector3& p2 = triangle.Corners[2]->Position;
    const TriangleRows rows = RowsOf(p0, p1, p2);
    // Only rows yStart .. yEnd on the screen are read below, so only they need the empty
    // markers: the edges' entries on any other row are never looked at.
    const int first = rows.yStart > 0 ? rows.yStart : 0;
    const int last = rows.yEnd < Rows - 1 ? rows.yEnd : Rows - 1;

    ResetSpans(first, last);
    TraceEdgeOnScreen(p0, p1);
    TraceEdgeOnScreen(p1, p2);
    TraceEdgeOnScreen(p2, p0);

    const std::uint32_t colour =
        VornGFX::Pack(triangle.Colour[0], triangle.Colour[1], triangle.Colour[2]);
    // Each span is a run of pixels, checked as one in check builds.
    for (int y = first; y <= last; ++y)
    {
        if (SpanLeft[y] < SpanRight[y])
        {
            GfxDevice->PixelRun(static_cast<unsigned short>(SpanLeft[y]),
                                static_cast<unsigned short>(y), SpanRight[y] - SpanLeft[y], base,
                                pitch);
        }
    }
    AddToSpans(base, pitch, SpanLeft, SpanRight, first, last, colour);
}
