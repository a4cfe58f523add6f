// vantrel-decode --follow: one live input, every record flushed as soon as it is final,
// until the input ends or the user stops the run.
#pragma once

#include "decode_options.h"

#include <csignal>

namespace vantrel::decode {

// Returns the exit status.
int RunFollowMode(const Options& options);

// From now on SIGINT and SIGTERM set the flag returned, for a live run to finish its last
// record and end.
const volatile std::sig_atomic_t* StopOnSignals();

} // namespace vantrel::decode
