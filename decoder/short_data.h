// The short data step of a block: data codewords into a message text.
#pragma once

#include "block_decoder.h"
#include "block_detail.h"

#include <string_view>

namespace modETSI300230 {

// Consumes the data codewords of a short data transfer from the front of `rest` (all
// 64 x (1 + n) characters of them, whatever they hold, or all that are left), logs them,
// sets record.Message and sets `corrupted` for every data codeword that fails its check.
void ShortDataStep(std::string_view& rest, bool& corrupted, BlockInfo& record);

// The same step; when `detail` is given it also receives the data codewords' verdicts, the
// announced count and every character code of the message. With BlockLogging::Skipped it
// writes no log.
void ShortDataStep(std::string_view& rest, bool& corrupted, BlockInfo& record, BlockDetail* detail,
                   BlockLogging logging = BlockLogging::Kept);

} // namespace modETSI300230
