// Renders frames of the show with the Windows build's own code (WIC pictures, the C runtime's
// mathematics) on a stopped clock, the way the capture tool does on Linux, and writes each as
// a binary PPM file, so that the two builds' frames can be compared.
//
// Usage (in the folder with the pictures and the music): quen-frames OUTDIR T1,T2,...
//   Writes OUTDIR/T.ppm for every elapsed time T in milliseconds, rendered in the order given.
#include "platform/session/ShowSession.h"

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
    demo::ShowSession show;
    int status = 0;
    std::istringstream times(argv[2]);
    for (std::string t; std::getline(times, t, ',');)
    {
        show.Render(static_cast<std::uint32_t>(std::stoul(t)));
        const demo::FrameView frame = show.Frame();
        std::ofstream out(std::string(argv[1]) + "/" + t + ".ppm", std::ios::binary);
        out << "P6\n" << frame.width << " " << frame.height << "\n255\n";
        std::vector<char> row(3 * std::size_t(frame.width));
        for (int y = 0; y < frame.height; ++y)
        {
            const std::uint32_t* in = frame.pixels + y * (frame.pitch / 4);
            for (int x = 0; x < frame.width; ++x)
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
    return status;
}
