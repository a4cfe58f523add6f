// vantrel-decode --follow: one live input, every record flushed as soon as it is final,
// until the input ends or the user stops the run.
#pragma once

#include "decode_options.h"

namespace vantrel::decode {

// Waits until `path` exists, saying once on standard error that it is waited for;
// false when a stop was asked for first (tool::CatchStopSignals before).
bool WaitToFollow(const std::string& path);

// Every final record goes to `finalRecord` too, when set (the live page). Returns the exit
// status.
int RunFollowMode(const Options& options, const RecordListener& finalRecord = {});

} // namespace vantrel::decode
