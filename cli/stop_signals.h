// Ctrl-C and SIGTERM as a request to stop: follow mode finishes its last record, the live
// page stops serving; either way the program ends normally, with the run's exit status.
#pragma once

#include <csignal>

namespace vantrel::tool {

// From now on SIGINT and SIGTERM set the stop request instead of ending the program.
void CatchStopSignals();

// Set once either signal came after CatchStopSignals.
const volatile std::sig_atomic_t* StopRequest();
bool StopRequested();

// Waits, without waking, until a stop is requested (catching the signals first).
void WaitForStopRequest();

} // namespace vantrel::tool
