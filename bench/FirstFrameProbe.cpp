// A library preloaded into the demo by bench/start-time.sh (LD_PRELOAD): at the first frame the
// demo presents, through either of SDL's presenting calls, it writes the wall clock (µs since
// the epoch) and the processor time the process has used so far (µs) to the file named by
// QUEN_FIRST_FRAME_FILE. Every call is passed on to SDL unchanged.
#include <SDL.h>

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/time.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace
{

std::atomic<bool> seen{false};

long long Microseconds(const timeval& t)
{
    return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec;
}

void NoteFirstFrame()
{
    if (seen.exchange(true))
        return;
    timeval now;
    gettimeofday(&now, nullptr);
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    const char* file = std::getenv("QUEN_FIRST_FRAME_FILE");
    if (file == nullptr)
        return;
    if (std::FILE* out = std::fopen(file, "w"))
    {
        std::fprintf(out, "%lld %lld\n", Microseconds(now),
                     Microseconds(usage.ru_utime) + Microseconds(usage.ru_stime));
        std::fclose(out);
    }
}

template <typename Function> Function Next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int SDL_UpdateWindowSurface(SDL_Window* window)
{
    static const auto next = Next<int (*)(SDL_Window*)>("SDL_UpdateWindowSurface");
    const int result = next(window);
    NoteFirstFrame();
    return result;
}

extern "C" void SDL_RenderPresent(SDL_Renderer* renderer)
{
    static const auto next = Next<void (*)(SDL_Renderer*)>("SDL_RenderPresent");
    next(renderer);
    NoteFirstFrame();
}
