// Signals that end the tool: every one that can be caught is turned into a clean stop, so that
// no unfinished file and no ffmpeg process outlives the run.
#pragma once

#include <sys/types.h>

#include <string>

namespace capture
{

// RunCapture, once, before anything is written: installs a handler for every signal whose
// default action ends the process and that can be caught (SIGHUP, SIGINT, SIGQUIT, SIGTERM,
// SIGPIPE, SIGALRM, SIGUSR1, ... and the real-time ones), except SIGHUP when the tool was
// started with it ignored (nohup). The handler records the signal and kills the child set
// below; the capture loops then stop and clean up. SIGPIPE and SIGXFSZ that the tool's own writes
// cause are left to those writes, as the errors EPIPE and EFBIG.
void CatchTerminatingSignals();

// The first signal caught, or 0.
int CaughtSignal();

// The process the handler kills at once (ffmpeg), or 0 for none, and an eventfd it then
// signals so that writes waiting for that process give up. Set before the child can be
// waited for, cleared before it is reaped.
void SetChildToStop(pid_t child, int wake);

// In a child of the tool, between fork and exec (async-signal-safe): the child gets SIGKILL
// when the tool dies, and ends at once if the tool `parent` has died already; every signal the
// tool blocks is unblocked, so the program runs with the usual mask.
void TieChildToTool(pid_t parent);

// "SIGHUP" and so on.
std::string SignalName(int signal);

} // namespace capture
