// The blob field: a chain of 80 soft blue balls on a Lissajous curve, their light adding up.
#pragma once

#include <windows.h>

#include "show/Geometry.h"

// BlobSize x BlobSize cone of intensities, entry (row r, column c) at r * BlobSize + c.
extern unsigned char BlobSprite[BlobSize * BlobSize];
// One intensity per screen pixel, stored column by column: (x, y) at x * ScreenHeight + y.
extern unsigned char BlobField[ScreenWidth * ScreenHeight];

// StartDemo, first of all: fills BlobSprite.
void BuildBlobSprite();
// The blob segment: empties the field.
void ClearBlobField();
// The blob segment: adds the sprite with its top-left corner at field (x, y), saturating at
// 250. No clipping: 0 <= x <= 720, 0 <= y <= 520.
void AddBlob(int x, int y);
void AddBlobPerPixel(int x, int y); // the same, one entry at a time
// The blob segment: writes the field into BackBuffer's blue channel, every pixel.
void PresentBlobField();
void PresentBlobFieldPerPixel(); // the same, through PutPixel32 pixel by pixel

// The blob segment: top-left corner of ball `ball` (0 .. 79) at `step`, on the Lissajous curve.
// Ball j of a step stands where ball j + 1 stood one step earlier.
void LocateBall(DWORD step, int ball, int* x, int* y);

// RenderFrame, for the blob steps (BlobFirstStep .. BlobLastStep).
void DrawBlobField(DWORD step);
// The same frame with the per-pixel forms above: the reference that the tests hold it to.
void DrawBlobFieldPerPixel(DWORD step);
