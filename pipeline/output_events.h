// The record events of a run turned into its output: the text report's sections, or records
// through a record writer.
#pragma once

#include "record_output.h"
#include "record_stats.h"
#include "record_stream.h"
#include "recording.h"
#include "run.h"

#include <string>

namespace vantrel {

// What the events of one run share: its statistics, and the log of the record under way.
struct RunState {
    RecordStats stats;
    std::string log;  // the current record's log (record formats)
    std::string text; // a piece of output being made, kept from piece to piece
};

// The text report (`document`: with its "Blocks Found:" header), or follow mode's sections.
RecordEvents ReportEvents(const OutputChoice& choice, const OutputTarget& target, bool document,
                          RunState& state);

// The records, each written through `records`; `recording` is null in follow mode.
RecordEvents RecordWriterEvents(const std::string& path, const Recording* recording,
                                const OutputChoice& choice, const OutputTarget& target,
                                RecordOutput& records, RunState& state);

} // namespace vantrel
