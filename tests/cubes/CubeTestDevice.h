// A headless graphics device and span tables, as start-up would create them, for the tests
// that draw.
#pragma once

#include "cubes/TriangleFill.h"
#include "shell/Demo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

class CubeDeviceTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        GfxDevice = new VornGFX(800, 600, 32, 1, 2);
        SpanLeft = left_;
        SpanRight = right_;
    }
    void TearDown() override { delete std::exchange(GfxDevice, nullptr); }

    // The whole BackBuffer, row by row, as packed pixels.
    static std::vector<std::uint32_t> Snapshot()
    {
        const auto* surface = GfxDevice->BackBuffer;
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < 600; ++y)
            pixels.insert(pixels.end(), &surface->Pixels[y * surface->Pitch / 4],
                          &surface->Pixels[y * surface->Pitch / 4 + 800]);
        return pixels;
    }

  private:
    int left_[600], right_[600];
};
