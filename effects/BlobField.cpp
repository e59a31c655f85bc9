// The blob field: an 80x80 cone sprite stamped 80 times, with saturating addition, into a
// screen-sized intensity field that then becomes BackBuffer's blue channel.
#include "effects/BlobField.h"

#include <cmath>
#include <cstring>

#include "gfx/PixelKernels.h"
#include "show/Geometry.h"
#include "show/ShowState.h"

unsigned char BlobSprite[BlobSize * BlobSize];
unsigned char BlobField[ScreenWidth * ScreenHeight];

namespace
{
constexpr int SpriteSize = BlobSize;
constexpr int SpriteCentre = BlobSize / 2;
constexpr int FieldWidth = ScreenWidth;
constexpr int FieldHeight = ScreenHeight;
constexpr int Ceiling = 250;
constexpr int BallCount = 80;
constexpr DWORD PhaseWrap = 800;
// Radians per phase unit: the doubles nearest 1/11 and 1/14.
constexpr double HorizontalRate = 0.09090909090909091;
constexpr double VerticalRate = 0.07142857142857142;
} // namespace

void BuildBlobSprite()
{
    for (int r = 0; r < SpriteSize; ++r)
    {
        for (int c = 0; c < SpriteSize; ++c)
        {
            const int dx = c - SpriteCentre;
            const int dy = r - SpriteCentre;
            // A cone falling 14 per unit of distance; the small offset keeps the centre at 249.
            double v = 250.0 - std::sqrt(dx * dx + dy * dy + 0.001) * 14.0;
            if (v < 0.0)
                v = 0.0;
            BlobSprite[r * SpriteSize + c] = static_cast<unsigned char>(static_cast<int>(v));
        }
    }
}

void ClearBlobField()
{
    std::memset(BlobField, 0, sizeof BlobField);
}

void AddBlob(int x, int y)
{
    // Field column x + k takes sprite column k. The sprite is symmetric, so its column k is
    // also its row k, which lies contiguous in memory like the field's column.
    AddBytesSaturating(BlobField + x * FieldHeight + y, FieldHeight, BlobSprite, SpriteSize,
                       SpriteSize, SpriteSize, Ceiling);
}

void AddBlobPerPixel(int x, int y)
{
    for (int k = 0; k < SpriteSize; ++k)
    {
        unsigned char* const column = BlobField + (x + k) * FieldHeight + y;
        const unsigned char* const spriteColumn = BlobSprite + k * SpriteSize;
        for (int i = 0; i < SpriteSize; ++i)
        {
            const int sum = column[i] + spriteColumn[i];
            column[i] = static_cast<unsigned char>(sum <= Ceiling ? sum : Ceiling);
        }
    }
}

void PresentBlobField()
{
    GfxDevice->Lock(GfxDevice->BackBuffer);
    // A band of rows at a time: each field column holds them as one run of bytes.
    constexpr int BandRows = 120;
    for (int y = 0; y < FieldHeight; y += BandRows)
    {
        std::uint32_t* const rows = GfxDevice->PixelRun(0, y, FieldWidth, GfxDevice->LockedBackPtr,
                                                        GfxDevice->LockedBackPitch);
        // The band's last row, checked like its first.
        GfxDevice->PixelRun(0, y + BandRows - 1, FieldWidth, GfxDevice->LockedBackPtr,
                            GfxDevice->LockedBackPitch);
        BlueFromColumns(BlobField + y, FieldHeight, FieldWidth, BandRows, rows,
                        GfxDevice->LockedBackPitch / 4);
    }
    GfxDevice->UnLock(GfxDevice->BackBuffer);
}

void PresentBlobFieldPerPixel()
{
    GfxDevice->Lock(GfxDevice->BackBuffer);
    const unsigned char dark = 0;
    for (int y = 0; y < FieldHeight; ++y)
    {
        for (int x = 0; x < FieldWidth; ++x)
            GfxDevice->PutPixel32(x, y, dark, dark, BlobField[x * FieldHeight + y],
                                  GfxDevice->LockedBackPtr, GfxDevice->LockedBackPitch);
    }
    GfxDevice->UnLock(GfxDevice->BackBuffer);
}

void LocateBall(DWORD step, int ball, int* x, int* y)
{
    // The phase is wrapped before the ball is added, not after.
    const double m = static_cast<double>(step % PhaseWrap + static_cast<DWORD>(ball));
    *x = static_cast<int>(std::sin(m * HorizontalRate) * 280.0 + 300.0);
    *y = static_cast<int>(std::sin(m * VerticalRate) * 180.0 + 300.0);
}

namespace
{
void DrawBlobs(DWORD step, void (*add)(int, int), void (*present)())
{
    ClearBlobField();
    for (int j = 0; j < BallCount; ++j)
    {
        int x = 0;
        int y = 0;
        LocateBall(step, j, &x, &y);
        add(x, y);
    }
    present();
}
} // namespace

void DrawBlobField(DWORD step)
{
    DrawBlobs(step, AddBlob, PresentBlobField);
}

void DrawBlobFieldPerPixel(DWORD step)
{
    DrawBlobs(step, AddBlobPerPixel, PresentBlobFieldPerPixel);
}
