// One input decoded for vantrel-decode: a bit text as it is, or a recording's sound
// demodulated first, written as the text report or as records, with its statistics.
#pragma once

#include "demodulate_file.h"
#include "modETSI300230.h"
#include "raw_input.h"
#include "record_stats.h"
#include "record_writer.h"
#include "report.h"
#include "stream_decode.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

struct DecodedFile {
    std::vector<modETSI300230::BlockInfo> Blocks;
    std::int32_t BlockCount = 0;
    RecordStats Stats;            // with `stats` only
    bool NoBitCharacters = false; // the input holds no "0" or "1" at all
};

// Whether the file at `path` starts as sound does (LooksLikeAudio). False when it cannot be
// read: opening it for the decode then gives the error.
bool IsAudioFile(const std::string& path);

// The whole-file decode (for --save). Sound is demodulated first. With `stats`, the file's
// statistics too (the patterns passed over are counted always). Throws FileError.
DecodedFile DecodeFile(const std::string& path, demod::Polarity polarity, bool stats = false);

// What a run writes: the text report at a level, or one of the record formats; and whether
// it counts statistics.
struct OutputChoice {
    std::optional<RecordFormat> records; // nothing: the text report
    ReportLevel level = ReportLevel::Short;
    bool stats = false;
    demod::Polarity polarity = demod::Polarity::Auto;
};

// Where a run's output goes: `write` takes the text piece by piece, `recordDone` is told
// after every record (follow mode flushes there), `warn` takes one line for standard error
// (without its line end).
struct OutputTarget {
    std::function<void(std::string_view)> write;
    std::function<void()> recordDone;
    std::function<void(std::string_view)> warn;
};

// The record writer of a run and the stream it renders into; what a record adds to the
// stream goes to OutputTarget::write as soon as the record is written.
struct RecordOutput {
    RecordWriter& writer;
    std::ostringstream& chunk;
};

// The input of one decode: the bit text (a file, a spooled pipe, or the bits demodulated
// from sound) and, for sound, where each bit was heard.
struct RunInput {
    std::optional<RawInput> raw;
    std::optional<TransmissionMap> heard;
    bool endedEarly = false; // the sound file held less than its header announced
};

// Opens `path` ("-": standard input, spooled beyond `spoolLimit`). Sound, recognised by its
// content, is demodulated whole here: a file as it is read, standard input after it has been
// read whole. Throws FileError.
RunInput OpenRunInput(const std::string& path, demod::Polarity polarity, std::size_t spoolLimit);

// The warning for SyncFec patterns the whole-file decode passed over.
std::string PassedOverWarning(std::uint64_t passed);

// What the user is told about an input without any "0" or "1".
inline constexpr std::string_view NoBitsWarning =
    "no \"0\" or \"1\" in the input: is it a bit text?";

// Where the bit at `bitIndex` of a demodulated input was heard; nothing past the last bit.
std::optional<HeardInfo> HeardAt(const TransmissionMap& map, std::uint64_t bitIndex);

// The whole-file output of `input` as the records become final: the text report, byte for
// byte what the report of DecodeFile gives, or with `records` one BeginFile, a Write for each
// record and EndFile. `path` is the name the records carry. Returns the file's statistics
// (gathered only when asked for, or for records), with the patterns the decode passed over.
RecordStats StreamDecodeFile(const RunInput& input, const std::string& path,
                             const OutputChoice& choice, const StreamOptions& options,
                             const OutputTarget& target, const RecordOutput* records);

// Follow mode: the records in the order the patterns arrive, each written when final: as a
// record (with finalAt), or the record's section of the report at the chosen level followed
// by a line "Final (UTC)   : TIME" (no "Blocks Found:" header: the count is not known ahead).
// Returns the statistics of what was followed (gathered only when asked for).
RecordStats FollowFile(const std::string& path, const OutputChoice& choice,
                       const StreamOptions& options, const OutputTarget& target,
                       const RecordOutput* records);

} // namespace vantrel
