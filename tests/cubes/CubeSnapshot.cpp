// cube_snapshot DIR MS...: draws one cube frame per elapsed time MS (milliseconds since
// StartTick, each frame taking the angle left by the one before) and writes each picture as
// DIR/cubes-MS.ppm, for looking at.
#include "cubes/CubeFrame.h"
#include "cubes/CubeMesh.h"
#include "cubes/TriangleFill.h"
#include "platform/sys/Clock.h"
#include "shell/Demo.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: %s DIR MS...\n", argv[0]);
        return 2;
    }
    GfxDevice = new VornGFX(800, 600, 32, 1, 2);
    SpanLeft = new int[600];
    SpanRight = new int[600];
    BuildCubes();
    StartTick = 0;

    for (int i = 2; i < argc; ++i)
    {
        sys::SetVirtualTicks(static_cast<std::uint32_t>(std::strtoul(argv[i], nullptr, 10)));
        DrawCubes();

        const std::string path = std::string(argv[1]) + "/cubes-" + argv[i] + ".ppm";
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr)
        {
            std::perror(path.c_str());
            return 1;
        }
        std::fprintf(file, "P6\n800 600\n255\n");
        GfxDevice->Lock(GfxDevice->BackBuffer);
        for (unsigned short y = 0; y < 600; ++y)
        {
            for (unsigned short x = 0; x < 800; ++x)
            {
                unsigned char rgb[3];
                GfxDevice->GetPixel32(x, y, &rgb[0], &rgb[1], &rgb[2], GfxDevice->LockedBackPtr,
                                      GfxDevice->LockedBackPitch);
                std::fwrite(rgb, 1, 3, file);
            }
        }
        GfxDevice->UnLock(GfxDevice->BackBuffer);
        std::fclose(file);
        std::printf("%s (angle used next: %.6f)\n", path.c_str(), double{CubeAngle});
    }

    delete[] SpanLeft;
    delete[] SpanRight;
    delete GfxDevice;
    return 0;
}
