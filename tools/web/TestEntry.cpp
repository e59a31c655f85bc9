// The page's test entry (index.html?test): single frames on a virtual clock, with the same show
// session as the capture tool's --at, started on the first call and kept, so the cube angle
// carries over from call to call. The page calls these through ccall; both may wait for the
// browser (ASYNCIFY).
#include "platform/web/WebControl.h"
#include "tools/session/ShowSession.h"

#include <emscripten.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace
{
std::optional<session::ShowSession> running;

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

// window.quen.frameTime(ms, n): the median, over five rounds of `count` frames each, of the
// milliseconds one frame at `elapsedMs` takes to draw, without presenting it.
extern "C" EMSCRIPTEN_KEEPALIVE double QuenTimeFrames(double elapsedMs, int count)
{
    session::ShowSession& show = Session();
    web::SetPresenting(false);
    std::vector<double> rounds;
    for (int round = 0; round < 5; ++round)
    {
        const double start = emscripten_get_now();
        for (int i = 0; i < count; ++i)
            show.Render(static_cast<std::uint32_t>(elapsedMs));
        rounds.push_back((emscripten_get_now() - start) / count);
    }
    web::SetPresenting(true);
    std::nth_element(rounds.begin(), rounds.begin() + 2, rounds.end());
    return rounds[2];
}
