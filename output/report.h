// The report of a decode at its two levels.
#pragma once

#include "modETSI300230.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

enum class ReportLevel { Short, Debug };

// "Blocks Found:" and the count, then one "Block #" section per block: six summary lines at
// the short level, the block's log at the debug level. Only blocks 1..BlockCount are read.
std::string RenderReport(const std::vector<modETSI300230::BlockInfo>& Blocks,
                         std::int32_t BlockCount, ReportLevel level);

// An upper bound of RenderReport's size, found without building the text.
std::size_t ReportSizeBound(const std::vector<modETSI300230::BlockInfo>& Blocks,
                            std::int32_t BlockCount, ReportLevel level);

// The same report handed to `write` piece by piece (the header, then one piece per block), so
// that a report larger than memory can comfortably hold never has to be held at once: records
// that all repeat a long stretch of the input can make the debug report many times the input.
void WriteReport(const std::vector<modETSI300230::BlockInfo>& Blocks, std::int32_t BlockCount,
                 ReportLevel level, const std::function<void(std::string_view)>& write);

// The same report for a decode that hands its records out one at a time: the header, then
// for each record its section. A debug section is its title, the record's log, nothing else.
std::string ReportHeaderText(std::int64_t BlockCount);
std::string ShortSectionText(const modETSI300230::BlockInfo& block, std::int64_t number);
std::string DebugSectionTitle(std::int64_t number);
// The same two appended to `out`: a caller that writes each section at once keeps one text
// for all of them.
void AppendShortSectionText(std::string& out, const modETSI300230::BlockInfo& block,
                            std::int64_t number);
void AppendDebugSectionTitle(std::string& out, std::int64_t number);

// Follow mode's last line of a record's section: when it became final.
std::string FinalTimeLine(std::string_view time);
// Follow mode on a band: the line before that one, the channel the record was heard on.
std::string ChannelLine(std::uint64_t hz);

} // namespace vantrel
