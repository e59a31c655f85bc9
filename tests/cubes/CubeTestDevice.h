// A headless graphics device and span tables, as start-up would create them, for the tests
// that draw.
#pragma once

#include "cubes/TriangleFill.h"
#include "shell/Demo.h"
#include "support/PixelCheck.h"

#include <gtest/gtest.h>

#include <utility>

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

    // The whole BackBuffer, row by row.
    static pixelcheck::Picture Snapshot() { return pixelcheck::Read(GfxDevice->BackBuffer); }

  private:
    int left_[600], right_[600];
};
