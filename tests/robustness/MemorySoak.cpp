// quen-memory-soak: a simulated hour (or as many minutes as asked) of the show, headless, with
// the project's own pictures and music, one frame for every 50 ms step of the timeline. Prints
// the resident set size and the heap in use after a first pass over the schedule and at the
// end, and fails if either grew.
//
//   quen-memory-soak ASSETS_DIR [SIMULATED_MINUTES]
#include "platform/sys/Clock.h"
#include "shell/Demo.h"
#include "timeline/RenderFrame.h"

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Bytes handed out by malloc, from its arenas and as separate mappings (the surfaces).
long HeapInUseBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>(info.uordblks + info.hblkhd);
}

constexpr DWORD StartTicks = 1000;

void Frames(DWORD fromStep, DWORD toStep)
{
    for (DWORD step = fromStep; step < toStep; ++step)
    {
        sys::SetVirtualTicks(StartTicks + step * 50 + 25);
        RenderFrame();
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: %s ASSETS_DIR [SIMULATED_MINUTES]\n", argv[0]);
        return 2;
    }
    const long minutes = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 60;
    const DWORD steps = static_cast<DWORD>(minutes * 60 * 20);
    constexpr DWORD warmUp = 2200; // every segment and one whole scroller cycle

    std::filesystem::current_path(argv[1]);
    sys::SetVirtualTicks(StartTicks);
    StartDemo();
    Frames(0, warmUp);
    const long rssBefore = ResidentKiB(), heapBefore = HeapInUseBytes();

    const auto t0 = std::chrono::steady_clock::now();
    Frames(warmUp, warmUp + steps);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const long rssAfter = ResidentKiB(), heapAfter = HeapInUseBytes();
    StopDemo();

    std::printf("simulated %ld min: %u frames in %.1f s (%.2f ms a frame)\n", minutes, steps,
                seconds, 1000.0 * seconds / steps);
    std::printf("resident: %ld KiB before, %ld KiB after (%+ld KiB)\n", rssBefore, rssAfter,
                rssAfter - rssBefore);
    std::printf("heap in use: %ld bytes before, %ld bytes after (%+ld bytes)\n", heapBefore,
                heapAfter, heapAfter - heapBefore);
    // The resident size may move by a page or two (stack, allocator bookkeeping); the heap
    // must not move at all.
    const bool flat = heapAfter == heapBefore && rssAfter - rssBefore <= 64;
    std::printf("%s\n", flat ? "memory flat" : "MEMORY GREW");
    return flat ? 0 : 1;
}
