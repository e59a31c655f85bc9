// Renders frames of the show with the Windows build's own code (WIC pictures, the C runtime's
// mathematics) on a stopped clock, the way the capture tool does on Linux, and writes each as
// a binary PPM file, so that the two builds' frames can be compared.
//
// Usage (in the folder with the pictures and the music): quen-frames OUTDIR T1,T2,...
//   Writes OUTDIR/T.ppm for every elapsed time T in milliseconds, rendered in the order given.
#include "cubes/CubeFrame.h"
#include "platform/sys/Clock.h"
#include "shell/Demo.h"
#include "timeline/RenderFrame.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

// Any value works; the capture tool starts the show at the same tick.
constexpr std::uint32_t FirstTick = 1000;

bool WritePpm(const std::string& path, const IDirectDrawSurface7* frame)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    std::fprintf(f, "P6\n%d %d\n255\n", frame->Width, frame->Height);
    std::vector<unsigned char> row(3 * std::size_t{frame->Width});
    for (int y = 0; y < frame->Height; ++y)
    {
        const std::uint32_t* in = frame->Pixels.get() + y * (frame->Pitch / 4);
        for (int x = 0; x < frame->Width; ++x)
        {
            row[3 * x] = static_cast<unsigned char>(in[x] >> 16);
            row[3 * x + 1] = static_cast<unsigned char>(in[x] >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(in[x]);
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: quen-frames OUTDIR T1,T2,...\n");
        return 2;
    }
    const std::string outDir = argv[1];
    std::vector<std::uint32_t> times;
    for (const char* p = argv[2]; *p != '\0';)
    {
        char* end = nullptr;
        times.push_back(static_cast<std::uint32_t>(std::strtoul(p, &end, 10)));
        if (end == p)
        {
            std::fprintf(stderr, "quen-frames: bad time list \"%s\"\n", argv[2]);
            return 2;
        }
        p = *end == ',' ? end + 1 : end;
    }

    sys::SetVirtualTicks(FirstTick);
    StartDemo();
    RunState = 1;
    int status = 0;
    for (std::uint32_t t : times)
    {
        sys::SetVirtualTicks(FirstTick + t);
        RenderFrame();
        const std::string path = outDir + "/" + std::to_string(t) + ".ppm";
        if (!WritePpm(path, GfxDevice->BackBuffer))
        {
            std::fprintf(stderr, "quen-frames: cannot write %s\n", path.c_str());
            status = 1;
        }
    }
    RunState = 2;
    StopDemo();
    return status;
}
