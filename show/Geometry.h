// The show's sizes, written once: the screen, the pictures, the warp's square and the blobs.
#pragma once

// The screen and BackBuffer; also SurfIris and the blob field.
constexpr int ScreenWidth = 800;
constexpr int ScreenHeight = 600;

// The pictures "initial.jpg", "j1.jpg", "j2.jpg", "j3.jpg" and the surfaces made from them.
constexpr int PictureWidth = 400;
constexpr int PictureHeight = 300;

// "scroller.jpg", and the strip it is shown from: a picture's height of black above and below.
constexpr int ScrollerWidth = PictureWidth;
constexpr int ScrollerHeight = 600;
constexpr int StripHeight = PictureHeight + ScrollerHeight + PictureHeight;

// SurfWarp: the warped picture, WarpSize x WarpSize.
constexpr int WarpSize = 300;

// The blob sprite, BlobSize x BlobSize.
constexpr int BlobSize = 80;
