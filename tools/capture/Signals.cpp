#include "tools/capture/Signals.h"

#include <signal.h>
#include <string.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>

namespace capture
{

namespace
{

volatile std::sig_atomic_t caught = 0;
std::atomic<pid_t> childToStop{0};
std::atomic<int> wakeOnStop{-1};
static_assert(std::atomic<pid_t>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "used in a signal handler");

void OnSignal(int signal, siginfo_t* info, void*)
{
    // A write to a pipe whose reader has gone, or past the file size limit, raises the signal
    // in the writing thread itself; that write then fails with EPIPE or EFBIG and is reported
    // as the error it is.
    if ((signal == SIGPIPE || signal == SIGXFSZ) && info->si_code == SI_USER &&
        info->si_pid == ::getpid())
        return;
    if (caught == 0)
        caught = signal;
    const pid_t child = childToStop.load();
    if (child > 0)
        ::kill(child, SIGKILL);
    const int wake = wakeOnStop.load();
    const std::uint64_t one = 1;
    if (wake >= 0) [[maybe_unused]]
        const ssize_t ignored = ::write(wake, &one, sizeof one);
}

} // namespace

void CatchTerminatingSignals()
{
    const int fixed[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGTERM, SIGPIPE, SIGALRM, SIGUSR1,  SIGUSR2,
                         SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT};
    auto install = [](int signal)
    {
        // nohup's promise: a capture started under it goes on when the terminal closes. Other
        // signals inherited as ignored (SIGINT and SIGQUIT in a script's background jobs) are
        // caught all the same, so that they too stop the capture cleanly.
        struct sigaction current = {};
        if (signal == SIGHUP && ::sigaction(signal, nullptr, &current) == 0 &&
            current.sa_handler == SIG_IGN)
            return;
        struct sigaction action = {};
        action.sa_sigaction = OnSignal;
        // No SA_RESTART: a blocking call returns EINTR and its loop looks at CaughtSignal.
        action.sa_flags = SA_SIGINFO;
        sigfillset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    };
    for (int signal : fixed)
        install(signal);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        install(signal);
}

int CaughtSignal()
{
    return caught;
}

void SetChildToStop(pid_t child, int wake)
{
    childToStop.store(child);
    wakeOnStop.store(wake);
}

void TieChildToTool(pid_t parent)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) // the tool died before the line above took effect
        ::_exit(127);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

std::string SignalName(int signal)
{
    const char* abbreviation = ::sigabbrev_np(signal);
    if (abbreviation != nullptr)
        return std::string("SIG") + abbreviation;
    if (signal >= SIGRTMIN && signal <= SIGRTMAX)
        return "SIGRTMIN+" + std::to_string(signal - SIGRTMIN);
    return "signal " + std::to_string(signal);
}

} // namespace capture
