// The page's test entry (index.html?test): single frames on a virtual clock, with the same show
// session as the capture tool's --at, started on the first call and kept, so the cube angle
// carries over from call to call. The page calls these through ccall; both may wait for the
// browser (ASYNCIFY).
#include "platform/web/WebControl.h"
#include "tools/session/ShowSession.h"

#include <emscripten.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace
{
std::optional<session::ShowSession> running;

// The least, over `rounds` rounds of `work` done `count` times each, of the milliseconds one
// time takes: on a busy machine the least is the round least disturbed by others.
template <typename Work> double LeastMs(int rounds, int count, Work work)
{
    double least = 0;
    for (int round = 0; round < rounds; ++round)
    {
        const double start = emscripten_get_now();
        for (int i = 0; i < count; ++i)
            work();
        const double ms = (emscripten_get_now() - start) / count;
        least = round == 0 || ms < least ? ms : least;
    }
    return least;
}

session::ShowSession& Session()
{
    if (!running)
        running.emplace();
    return *running;
}
} // namespace

// window.quen.renderAt(ms): renders the frame at `elapsedMs` after StartTick onto the canvas and
// returns once the browser has shown it.
extern "C" EMSCRIPTEN_KEEPALIVE void QuenRenderAt(double elapsedMs)
{
    Session().Render(static_cast<std::uint32_t>(elapsedMs));
}

// window.quen.drawAt(ms): the same, returning as soon as the frame is on the canvas.
extern "C" EMSCRIPTEN_KEEPALIVE void QuenDrawAt(double elapsedMs)
{
    web::SetWaitingForDisplay(false);
    Session().Render(static_cast<std::uint32_t>(elapsedMs));
    web::SetWaitingForDisplay(true);
}

// window.quen.frameTime(ms, n, rounds): the least, over `rounds` rounds of `count` frames each,
// of the milliseconds one frame at `elapsedMs` takes to draw, without presenting it.
extern "C" EMSCRIPTEN_KEEPALIVE double QuenTimeFrames(double elapsedMs, int count, int rounds)
{
    session::ShowSession& show = Session();
    web::SetPresenting(false);
    const double ms =
        LeastMs(rounds, count, [&] { show.Render(static_cast<std::uint32_t>(elapsedMs)); });
    web::SetPresenting(true);
    return ms;
}

// window.quen.copyTime(n, rounds): the same for a memcpy of one 800x600 frame of 32-bit pixels,
// the floor under any frame in this browser.
extern "C" EMSCRIPTEN_KEEPALIVE double QuenTimeCopies(int count, int rounds)
{
    static std::vector<std::uint32_t> from(800 * 600, 0x123456), to(800 * 600);
    // Read through a volatile pointer, the copy cannot be proved unused and left out.
    std::uint32_t* volatile target = to.data();
    return LeastMs(rounds, count, [&] { std::memcpy(target, from.data(), from.size() * 4); });
}
