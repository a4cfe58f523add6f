// One input file decoded: read, joined, decoded. The window runs the same steps one by one
// because it updates its status label between them.
#pragma once

#include "modETSI300230.h"
#include "raw_input.h"
#include "report.h"
#include "stream_decode.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

struct DecodedFile {
    std::vector<modETSI300230::BlockInfo> Blocks;
    std::int32_t BlockCount = 0;
};

// Throws FileError when the file cannot be read.
DecodedFile DecodeFile(const std::string& path);

enum class OutputFormat { Text, Json, JsonLines };

// What a streaming run writes: the format, and for the text report and follow mode's lines,
// the level.
struct OutputChoice {
    OutputFormat format = OutputFormat::Text;
    ReportLevel level = ReportLevel::Short;
};

// Where a streaming run's output goes: `write` takes the text piece by piece, `recordDone`
// is told after every record (follow mode flushes there).
struct OutputTarget {
    std::function<void(std::string_view)> write;
    std::function<void()> recordDone;
    // The whole-file run: the SyncFec patterns the rule passed over (for a warning).
    std::function<void(std::uint64_t)> fecPassedOver;
};

// The whole-file output of `input`, written as the records become final, byte for byte
// what the report (or JsonReport) of DecodeFile gives. `path` is the name JSON shows.
void StreamDecodeFile(const RawInput& input, std::string_view path, const OutputChoice& choice,
                      const StreamOptions& options, const OutputTarget& target);

// Follow mode: the records in the order the patterns arrive, each written when final: one
// JSON object a line (with "FinalTime"), or the record's section of the report at the chosen
// level followed by a line "Final (UTC)   : TIME" (no "Blocks Found:" header: the count is not
// known ahead).
void FollowFile(const std::string& path, const OutputChoice& choice, const StreamOptions& options,
                const OutputTarget& target);

} // namespace vantrel
