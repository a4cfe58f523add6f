// A whole recording decoded in memory at once by the whole-file rule: what the streaming run
// of a bit text must equal.
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
    RecordStats Stats;            // with `stats` only; the patterns passed over always
    bool NoBitCharacters = false; // the input holds no "0" or "1" at all
};

// Sound is demodulated first. With `stats`, the recording's statistics too. Throws FileError.
WholeDecode DecodeWhole(const std::string& path, demod::Polarity polarity, bool stats = false);

} // namespace vantrel
