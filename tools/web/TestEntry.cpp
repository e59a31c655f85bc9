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

// The median of five rounds of `work` done `count` times, in milliseconds per time.
template <typename Work> double MedianMs(int count, Work work)
{
    std::vector<double> rounds;
    for (int round = 0; round < 5; ++round)
    {
        const double start = emscripten_get_now();
        for (int i = 0; i < count; ++i)
            work();
        rounds.push_back((emscripten_get_now() - start) / count);
    }
    std::nth_element(rounds.begin(), rounds.begin() + 2, rounds.end());
    return rounds[2];
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

// window.quen.frameTime(ms, n): the median, over five rounds of `count` frames each, of the
// milliseconds one frame at `elapsedMs` takes to draw, without presenting it.
extern "C" EMSCRIPTEN_KEEPALIVE double QuenTimeFrames(double elapsedMs, int count)
{
    session::ShowSession& show = Session();
    web::SetPresenting(false);
    const double ms = MedianMs(count, [&] { show.Render(static_cast<std::uint32_t>(elapsedMs)); });
    web::SetPresenting(true);
    return ms;
}

// window.quen.copyTime(n): the same for a memcpy of one 800x600 frame of 32-bit pixels, the
// floor under any frame in this browser.
extern "C" EMSCRIPTEN_KEEPALIVE double QuenTimeCopies(int count)
{
    static std::vector<std::uint32_t> from(800 * 600, 0x123456), to(800 * 600);
    // Read through a volatile pointer, the copy cannot be proved unused and left out.
    std::uint32_t* volatile target = to.data();
    const double ms = MedianMs(count, [&] { std::memcpy(target, from.data(), from.size() * 4); });
    return ms;
}
