// Progress of a capture on stderr: frames done out of the total, frames per second, the time
// left and, in a long capture, which side sets the pace. Redrawn in place on a terminal;
// occasional plain lines otherwise (logs, CI).
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace capture
{

// How far a capture has come, as shown to the user.
struct ProgressState
{
    std::size_t done = 0;
    std::size_t total = 0;
    double seconds = 0; // since the start
    // The share of that time the renderer waited for the encoder (ffmpeg, or the PNG
    // writers) to take a frame; below 0 when not known.
    double waiting = -1;
};

// From this many seconds on, the line says which side bounds the capture.
constexpr double BoundAfterSeconds = 10;

// One progress line without line ending, e.g.
// "[#########...........]  450/1000 frames  90.0 fps  0:06 left". `barWidth` 0 leaves out the
// bar. Before any frame is done, rate and time left show as "--". After BoundAfterSeconds it
// ends in "  encoder-bound" when the renderer waited for the encoder a third of the time or
// more, else "  tool-bound": what to make faster (or lighter) to capture faster.
std::string FormatProgress(const ProgressState& state, int barWidth);

class ProgressMeter
{
  public:
    // Monotonic seconds; replaceable for tests.
    using Clock = std::function<double()>;
    // Receives finished text: a redraw starting with '\r' on a terminal, whole lines otherwise.
    using Sink = std::function<void(const std::string& text)>;

    // Draws every `terminalInterval` seconds on a terminal, every `lineInterval` seconds
    // otherwise.
    ProgressMeter(std::size_t total, bool terminal, Sink sink, Clock clock,
                  double terminalInterval = 0.1, double lineInterval = 10.0);

    // Ends an unfinished terminal line, so that an error message starts on a line of its own.
    ~ProgressMeter();
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    // A meter on stderr, in place if stderr is a terminal.
    static ProgressMeter ForStderr(std::size_t total);

    // One more frame done.
    void Advance();

    // Where the meter learns how long the renderer has waited for the encoder, in seconds.
    void WatchWaiting(std::function<double()> waitedSeconds) { waited_ = std::move(waitedSeconds); }

    // The last state: a final redraw and line end on a terminal; a closing line otherwise, if
    // the run was long enough to print any.
    void Finish();

  private:
    void Show();

    std::size_t total_;
    std::size_t done_ = 0;
    bool terminal_;
    Sink sink_;
    Clock clock_;
    std::function<double()> waited_;
    double terminalInterval_;
    double lineInterval_;
    double start_;
    double lastShown_;
    bool shownAny_ = false;
    bool finished_ = false;
};

} // namespace capture
