#include "tools/capture/Progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace capture
{

namespace
{

constexpr int TerminalBarWidth = 30;

// "m:ss", or "h:mm:ss" from one hour on.
std::string FormatDuration(double seconds)
{
    const long whole = std::lround(std::max(seconds, 0.0));
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

double SteadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::string FormatProgress(const ProgressState& state, int barWidth)
{
    std::string text;
    if (barWidth > 0)
    {
        const std::size_t width = static_cast<std::size_t>(barWidth);
        const std::size_t filled =
            state.total == 0 ? width : std::min(state.done, state.total) * width / state.total;
        text = "[" + std::string(filled, '#') + std::string(width - filled, '.') + "] ";
    }
    const std::string total = std::to_string(state.total);
    char counts[64];
    std::snprintf(counts, sizeof counts, "%*zu/%s frames", static_cast<int>(total.size()),
                  state.done, total.c_str());
    text += counts;
    if (state.done == 0 || state.seconds <= 0)
        return text + "  -- fps  --:-- left";
    const double rate = state.done / state.seconds;
    char speed[64];
    std::snprintf(speed, sizeof speed, "  %.1f fps  ", rate);
    const double left = static_cast<double>(state.total - state.done) / rate;
    text += speed + FormatDuration(left) + " left";
    if (state.waiting >= 0 && state.seconds >= BoundAfterSeconds)
        text += state.waiting * 3 >= 1 ? "  encoder-bound" : "  tool-bound";
    return text;
}

ProgressMeter::ProgressMeter(std::size_t total, bool terminal, Sink sink, Clock clock,
                             double terminalInterval, double lineInterval)
    : total_(total), terminal_(terminal), sink_(std::move(sink)), clock_(std::move(clock)),
      terminalInterval_(terminalInterval), lineInterval_(lineInterval), start_(clock_()),
      lastShown_(start_)
{
    if (terminal_)
        Show();
}

ProgressMeter ProgressMeter::ForStderr(std::size_t total)
{
    auto toStderr = [](const std::string& text)
    {
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    };
    return ProgressMeter(total, ::isatty(STDERR_FILENO) == 1, toStderr, SteadySeconds);
}

ProgressMeter::~ProgressMeter()
{
    // A run that stops early leaves the cursor at the start of a fresh line for its message.
    if (terminal_ && !finished_)
        sink_("\n");
}

void ProgressMeter::Advance()
{
    ++done_;
    const double now = clock_();
    if (now - lastShown_ >= (terminal_ ? terminalInterval_ : lineInterval_))
        Show();
}

void ProgressMeter::Finish()
{
    finished_ = true;
    if (terminal_)
    {
        Show();
        sink_("\n");
    }
    else if (shownAny_)
    {
        Show();
    }
}

void ProgressMeter::Show()
{
    const double now = clock_();
    lastShown_ = now;
    ProgressState state{done_, total_, now - start_};
    if (waited_ && state.seconds > 0)
        state.waiting = waited_() / state.seconds;
    // On a terminal the line is redrawn over itself; trailing spaces wipe a longer last one.
    if (terminal_)
        sink_("\r" + FormatProgress(state, TerminalBarWidth) + "  ");
    else
        sink_("quen-capture: " + FormatProgress(state, 0) + "\n");
    shownAny_ = true;
}

} // namespace capture
