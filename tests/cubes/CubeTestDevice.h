// A headless graphics device and span tables, as start-up would create them, for the tests
// that draw.
#pragma once

#include "cubes/TriangleFill.h"
#include "shell/Demo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

class CubeDeviceTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        GfxDevice = new VornGFX(800, 600, 32, 1, 2);
        SpanLeft = new int[600];
        SpanRight = new int[600];
    }

    void TearDown() override
    {
        delete GfxDevice;
        GfxDevice = nullptr;
        delete[] SpanLeft;
        delete[] SpanRight;
        SpanLeft = nullptr;
        SpanRight = nullptr;
    }

    // The whole BackBuffer, row by row, as packed pixels.
    static std::vector<std::uint32_t> Snapshot()
    {
        std::vector<std::uint32_t> pixels(800 * 600);
        GfxDevice->Lock(GfxDevice->BackBuffer);
        for (unsigned short y = 0; y < 600; ++y)
        {
            for (unsigned short x = 0; x < 800; ++x)
            {
                unsigned long pixel;
                GfxDevice->GetPixel32(x, y, &pixel, GfxDevice->LockedBackPtr,
                                      GfxDevice->LockedBackPitch);
                pixels[y * 800 + x] = static_cast<std::uint32_t>(pixel);
            }
        }
        GfxDevice->UnLock(GfxDevice->BackBuffer);
        return pixels;
    }
};
