// vantrel-decode --follow: one live input, every record flushed as soon as it is final,
// until the input ends or the user stops the run.
#pragma once

#include "decode_options.h"

namespace vantrel::decode {

// Every final record goes to `finalRecord` too, when set (the live page). Returns the exit
// status.
int RunFollowMode(const Options& options, const RecordListener& finalRecord = {});

} // namespace vantrel::decode
