// Renders frames of the show with the Windows build's own code (WIC pictures, the C runtime's
// mathematics) on a stopped clock, the way the capture tool does on Linux, and writes each as
// a binary PPM file, so that the two builds' frames can be compared.
//
// Usage (in the folder with the pictures and the music): quen-frames OUTDIR T1,T2,...
//   Writes OUTDIR/T.ppm for every elapsed time T in milliseconds, rendered in the order given.
#include "platform/sys/Clock.h"
#include "shell/Demo.h"
#include "timeline/RenderFrame.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: quen-frames OUTDIR T1,T2,...\n");
        return 2;
    }
    // Any value works; the capture tool starts the show at the same tick.
    constexpr std::uint32_t FirstTick = 1000;
    sys::SetVirtualTicks(FirstTick);
    StartDemo();
    RunState = 1;
    int status = 0;
    std::istringstream times(argv[2]);
    for (std::string t; std::getline(times, t, ',');)
    {
        sys::SetVirtualTicks(FirstTick + static_cast<std::uint32_t>(std::stoul(t)));
        RenderFrame();
        const IDirectDrawSurface7* frame = GfxDevice->BackBuffer;
        std::ofstream out(std::string(argv[1]) + "/" + t + ".ppm", std::ios::binary);
        out << "P6\n" << frame->Width << " " << frame->Height << "\n255\n";
        std::vector<char> row(3 * std::size_t{frame->Width});
        for (int y = 0; y < frame->Height; ++y)
        {
            const std::uint32_t* in = frame->Pixels.get() + y * (frame->Pitch / 4);
            for (int x = 0; x < frame->Width; ++x)
                for (int c = 0; c < 3; ++c)
                    row[3 * x + c] = static_cast<char>(in[x] >> (16 - 8 * c));
            out.write(row.data(), static_cast<std::streamsize>(row.size()));
        }
        if (!out)
        {
            std::fprintf(stderr, "quen-frames: cannot write the frame at %s ms\n", t.c_str());
            status = 1;
        }
    }
    RunState = 2;
    StopDemo();
    return status;
}
