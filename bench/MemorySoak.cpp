// quen-memory-soak ASSETS_DIR [SIMULATED_MINUTES]: a simulated hour (or as many minutes as
// asked) of the show, headless, with the project's pictures and music, one frame for every
// 50 ms step. Prints the resident size and the heap in use after a first pass over the schedule
// and at the end, and fails if the heap moved or the resident size grew by more than 64 KiB.
#include "tools/session/ShowSession.h"
#include "timeline/Schedule.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>

namespace
{

// Draws one frame for each step from `from` to `to`, then measures the resident size (KiB)
// and the bytes handed out by malloc, from its arenas and as separate mappings (surfaces).
std::pair<long, long> FramesThenMemory(session::ShowSession& show, DWORD from, DWORD to)
{
    for (DWORD step = from; step < to; ++step)
        show.Render(step * StepMilliseconds + StepMilliseconds / 2);
    long pages = 0, resident = -1;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    const struct mallinfo2 heap = mallinfo2();
    return {resident * (sysconf(_SC_PAGESIZE) / 1024), long(heap.uordblks + heap.hblkhd)};
}

} // namespace

int main(int argc, char** argv)
{
    const long minutes = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 60;
    std::filesystem::current_path(argc > 1 ? argv[1] : "assets");
    auto show = std::make_unique<session::ShowSession>();
    // The whole schedule once, then the simulated minutes (1200 steps each).
    const auto [rssBefore, heapBefore] = FramesThenMemory(*show, 0, ShowCycleSteps);
    const auto [rssAfter, heapAfter] =
        FramesThenMemory(*show, ShowCycleSteps, ShowCycleSteps + minutes * 1200);
    show.reset();
    std::printf("simulated %ld min\nresident: %ld KiB before, %ld KiB after (%+ld KiB)\n"
                "heap in use: %ld bytes before, %ld bytes after (%+ld bytes)\n",
                minutes, rssBefore, rssAfter, rssAfter - rssBefore, heapBefore, heapAfter,
                heapAfter - heapBefore);
    const bool flat = heapAfter == heapBefore && rssAfter - rssBefore <= 64;
    std::printf("%s\n", flat ? "memory flat" : "MEMORY GREW");
    return flat ? 0 : 1;
}
