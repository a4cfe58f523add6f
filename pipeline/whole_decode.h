// A whole recording decoded in memory at once, as the report file that --save writes needs.
#pragma once

#include "demodulator.h"
#include "modETSI300230.h"
#include "record_stats.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

struct WholeDecode {
    std::vector<modETSI300230::BlockInfo> Blocks;
    std::int32_t BlockCount = 0;
    RecordStats Stats;          // with `stats` only; the patterns passed over always
    std::string ContentWarning; // what the input looks like when it gives nothing (run.h)
};

// Sound is demodulated first. With `stats`, the recording's statistics too. Throws FileError.
WholeDecode DecodeWhole(const std::string& path, demod::Polarity polarity, bool stats = false);

} // namespace vantrel
