// Prints the checksum of every frame of the show from step FIRST to step LAST, rendered in that
// order on a stopped clock (the cube angle carries over from frame to frame, as in the capture
// tool), one "step checksum" line each. Every build must print the same lines: the Windows and
// web tests compare theirs with the Linux build's.
//
// Usage (in the folder with the pictures and the music): quen-frame-sums FIRST LAST
#include "tools/session/ShowSession.h"
#include "timeline/Schedule.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: quen-frame-sums FIRST_STEP LAST_STEP\n");
        return 2;
    }
    const unsigned long first = std::strtoul(argv[1], nullptr, 10);
    const unsigned long last = std::strtoul(argv[2], nullptr, 10);
    session::ShowSession show;
    for (unsigned long step = first; step <= last; ++step)
    {
        show.Render(static_cast<std::uint32_t>(step * StepMilliseconds));
        std::printf("%lu %016llx\n", step,
                    static_cast<unsigned long long>(session::FrameChecksum(show.Frame())));
    }
    return 0;
}
