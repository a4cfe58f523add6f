// One recording through the decoder into what the user asked for: the text report at a level,
// or records in one of their formats, written as the records become final, with the
// recording's statistics.
#pragma once

#include "record_filter.h"
#include "record_output.h"
#include "record_stats.h"
#include "record_stream.h"
#include "recording.h"
#include "report.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

struct OutputFormat;

// What a run writes: the text report at a level, or one of the record formats; and whether
// it counts statistics.
struct OutputChoice {
    const OutputFormat* records = nullptr; // a record format; nothing: the text report
    ReportLevel level = ReportLevel::Short;
    bool stats = false;
    demod::Polarity polarity = demod::Polarity::Auto;
    WriterOptions writerOptions = {}; // csv's text cells, the clock and colour of brief and html
    RecordFilter filter = {};         // the records written (none are left out of the report)
    // --order: the report's rule or arrival order for a bit text (sound always arrives).
    modETSI300230::SyncRule order = modETSI300230::SyncRule::WholeFile;
    int rawSampleRate = 0; // the inputs are raw S16LE mono PCM at this rate (--raw --rate)
    // The records carry the channel they were heard on (the streams of a band): formats with
    // fixed columns give it one.
    bool channels = false;
};

// Where a run's output goes: `write` takes the text piece by piece, `recordDone` is told
// after every record (follow mode flushes there), `warn` takes one line for standard error
// (without its line end). `finalRecord`, when set, takes every final record whole besides the
// output (a live page, a broker, a store), with its log where the output shows the log; the
// run's records are then gathered whole (RunOutput), and unset nothing is made for it.
struct OutputTarget {
    std::function<void(std::string_view)> write;
    std::function<void()> recordDone;
    std::function<void(std::string_view)> warn;
    std::function<void(const DecodedRecord&)> finalRecord;
};

// The record output a run writes into; nothing for the text report.
std::optional<RecordOutput> RecordOutputFor(const OutputChoice& choice);

// The warning for SyncFec patterns the whole-file decode passed over.
std::string PassedOverWarning(std::uint64_t passed);

// What the user is told about an input without any "0" or "1".
inline constexpr std::string_view NoBitsWarning =
    "no \"0\" or \"1\" in the input: is it a bit text?";

// What the user is told when a text whose bits are separated by blanks gives no pattern.
inline constexpr std::string_view SpacedBitsWarning =
    "no pattern was found, and the bits are separated by blanks, which are kept inside a "
    "field: write the bits without blanks, or separated by commas";

// The part of an input that shows what it is, when it gives nothing.
inline constexpr std::size_t HintSampleSize = 4096;

// NoBitsWarning, with a hint at what the input looks like instead when its plain content,
// which starts with `content`, tells (NoBitsHint).
std::string NoBitsWarningFor(std::string_view content);

// The whole-file output of `recording` as the records become final: the text report, byte
// for byte what RenderReport gives the whole decode, or with `records` one BeginFile, a Write for
// each record and EndFile. `path` is the name the records carry. Returns the recording's
// statistics (gathered only when asked for, or for records), with the patterns the decode
// passed over.
RecordStats RunWhole(const Recording& recording, const std::string& path,
                     const OutputChoice& choice, const StreamOptions& options,
                     const OutputTarget& target, RecordOutput* records);

// Follow mode: the records in the order the patterns arrive, each written when final: as a
// record (with finalAt), or the record's section of the report at the chosen level followed
// by a line "Final (UTC)   : TIME" (no "Blocks Found:" header: the count is not known ahead).
// Returns the statistics of what was followed (gathered only when asked for).
RecordStats RunFollow(const std::string& path, const OutputChoice& choice,
                      const StreamOptions& options, const OutputTarget& target,
                      RecordOutput* records);

} // namespace vantrel
