// The report of a decode at its two levels.
#pragma once

#include "modETSI300230.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

enum class ReportLevel { Short, Debug };

// "Blocks Found:" and the count, then one "Block #" section per block: six summary lines at
// the short level, the block's log at the debug level. Only blocks 1..BlockCount are read.
std::string RenderReport(const std::vector<modETSI300230::BlockInfo>& Blocks,
                         std::int32_t BlockCount, ReportLevel level);

} // namespace vantrel
