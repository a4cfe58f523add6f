// The record events of a run turned into its output: the text report's sections, or records
// through a record writer. A run has one output and one stream of records or more (a
// recording's decoder; a band's channels, each with its own decoder): each stream keeps its
// record under way in a state of its own, so the streams' events can be interleaved and every
// record still reaches the output whole.
#pragma once

#include "record_output.h"
#include "record_stats.h"
#include "record_stream.h"
#include "recording.h"
#include "run.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

// One stream's record under way: one per stream, made by whoever runs the stream and kept as
// long as its events.
struct StreamState {
    std::optional<std::uint64_t> channelHz; // the channel the stream hears, for its records
    std::string log;                        // the open record's log, while it is gathered
    std::string text;                       // text being made, kept from piece to piece
    bool filteredOut = false;               // the open record is not written (OutputChoice::filter)
};

// What the streams of one run share: where the text goes, the record writer (none: the text
// report), the statistics. Each stream's events come from Events; the events of all streams
// of one output are called from one thread.
//
// A record goes out in pieces as its log arrives (so a long trailer is never held) only where
// nothing can come between them: one stream, no listener (OutputTarget::finalRecord), and for
// records the whole-file run (follow mode's record waits for the time it became final).
// Otherwise its log is gathered in its stream's state and the record written whole at its
// end; such a record is bounded by its transmission.
class RunOutput {
public:
    // `recording` is null in follow mode (the report then has no "Blocks Found:" header);
    // `records` is null for the text report. All of them outlive this output.
    RunOutput(std::string path, const Recording* recording, const OutputChoice& choice,
              const OutputTarget& target, RecordOutput* records)
        : path_(std::move(path)), recording_(recording), choice_(choice), target_(target),
          records_(records) {}
    RunOutput(const RunOutput&) = delete;
    RunOutput& operator=(const RunOutput&) = delete;

    // Set before the first Events when more than one stream writes into this output.
    bool severalStreams = false;
    // The records' statistics, counted when asked for (and always for records).
    RecordStats stats;

    // The events of one stream into this output; `stream` outlives them.
    RecordEvents Events(StreamState& stream);

private:
    bool RecordsWhole() const { return severalStreams || target_.finalRecord != nullptr; }
    RecordEvents ReportEvents(StreamState& stream);
    RecordEvents WriterEvents(StreamState& stream);
    DecodedRecord Decoded(const StreamRecord& record, std::string log,
                          const StreamState& stream) const;
    std::optional<HeardInfo> HeardOf(const StreamRecord& record) const;
    void PassRecords(); // the record writer's text since the last call, to the target

    std::string path_;
    const Recording* recording_;
    const OutputChoice& choice_;
    const OutputTarget& target_;
    RecordOutput* records_;
};

} // namespace vantrel
