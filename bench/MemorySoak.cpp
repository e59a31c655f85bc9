// quen-memory-soak ASSETS_DIR [SIMULATED_MINUTES]: a simulated hour (or as many minutes as
// asked) of the show, headless, with the project's pictures and music, one frame for every
// 50 ms step. Prints the resident size and the heap in use after a first pass over the schedule
// and at the end, and fails if the heap moved or the resident size grew by more than 64 KiB.
#include "platform/sys/Clock.h"
#include "shell/Demo.h"
#include "timeline/RenderFrame.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

namespace
{

// Draws one frame for each step from `from` to `to`, then measures the resident size (KiB)
// and the bytes handed out by malloc, from its arenas and as separate mappings (surfaces).
std::pair<long, long> FramesThenMemory(DWORD from, DWORD to)
{
    for (DWORD step = from; step < to; ++step)
    {
        sys::SetVirtualTicks(1000 + step * 50 + 25);
        RenderFrame();
    }
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
    sys::SetVirtualTicks(1000);
    StartDemo();
    const auto [rssBefore, heapBefore] = FramesThenMemory(0, 2200); // the whole schedule once
    const auto [rssAfter, heapAfter] = FramesThenMemory(2200, 2200 + minutes * 1200);
    StopDemo();
    std::printf("simulated %ld min\nresident: %ld KiB before, %ld KiB after (%+ld KiB)\n"
                "heap in use: %ld bytes before, %ld bytes after (%+ld bytes)\n",
                minutes, rssBefore, rssAfter, rssAfter - rssBefore, heapBefore, heapAfter,
                heapAfter - heapBefore);
    const bool flat = heapAfter == heapBefore && rssAfter - rssBefore <= 64;
    std::printf("%s\n", flat ? "memory flat" : "MEMORY GREW");
    return flat ? 0 : 1;
}
