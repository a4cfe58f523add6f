// vantrel-decode --follow: one live input, every record flushed as soon as it is final,
// until the input ends or the user stops the run.
#pragma once

#include "decode_options.h"

namespace vantrel::decode {

// Returns the exit status.
int RunFollowMode(const Options& options);

} // namespace vantrel::decode
