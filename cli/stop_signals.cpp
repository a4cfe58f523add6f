#include "stop_signals.h"

#include <ctime>

namespace vantrel::tool {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int /*signal*/) {
    stopRequested = 1;
}

} // namespace

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    // The waits of follow mode (poll, a sleep) end at a signal whatever this says; writes to
    // standard output go on after it.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

const volatile std::sig_atomic_t* StopRequest() {
    return &stopRequested;
}

bool StopRequested() {
    return stopRequested != 0;
}

void WaitForStopRequest() {
    CatchStopSignals();
    // Looked at five times a second: the signal may be handled by any of the program's
    // threads (the server's, the sound server's), so a wait for it in this one could miss it.
    const timespec pause{0, 200'000'000};
    while (stopRequested == 0)
        nanosleep(&pause, nullptr);
}

} // namespace vantrel::tool
