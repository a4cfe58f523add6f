// The decode of one recording as a stream of records, in bounded memory: the whole-file
// result for a file or a pipe (two passes: count, then decode), or live records in the order
// the patterns arrive (follow mode).
#pragma once

#include "block_detail.h"
#include "decoded_record.h"
#include "demodulator.h"
#include "field_joiner.h"
#include "modETSI300230.h"
#include "raw_input.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// One record of the decode. Its log is `logHead`, the trailer pieces handed out between the
// record's start and end, then CR LF.
struct StreamRecord {
    std::int64_t number = 0;
    modETSI300230::BlockInfo info; // Log stays empty: the log goes out in pieces
    bool noPattern = false;        // a record after the last decodable block
    bool fec = false;
    std::uint64_t syncBit = 0;         // where the sync pattern starts in the joined bit string
    modETSI300230::BlockDetail detail; // when the events ask for details; else empty
    FilePlace place;                   // and in the file
    std::string logHead;
    std::string finalTime;          // follow mode: when the record became final, ISO 8601 UTC
    std::optional<HeardInfo> heard; // follow mode, sound: the transmission it was heard in
};

struct RecordEvents {
    // false: no log is made (logHead stays empty) and no trailer is read or handed out, for
    // outputs that show no log (the short level, the formats whose rows carry none)
    bool trailers = true;
    bool places = true;   // false: the records' file places are not needed
    bool details = false; // true: every record carries its block's detail
    // The whole-file run only, before any record: the count ahead and the SyncFec patterns
    // the whole-file rule passes over.
    std::function<void(std::int64_t count, std::uint64_t fecPassedOver)> counted;
    // The whole-file run only: the input holds no "0" or "1" at all.
    std::function<void()> noBitCharacters;
    std::function<void(const StreamRecord&)> recordStart;
    std::function<void(std::string_view)> trailer;
    std::function<void(const StreamRecord&)> recordEnd;
};

struct StreamProgress {
    std::string_view stage; // "counting" or "decoding"
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
};

// Follow mode's sound input beyond what a file's first bytes tell.
struct FollowSound {
    std::string device;       // a sound card's source name: recorded instead of reading a file
    bool retryDevice = false; // a device that fails is waited for rather than given up
    int rawSampleRate = 0;    // the file or pipe is raw S16LE mono PCM at this rate
    int deviceSampleRate = 48000;
    demod::Polarity polarity = demod::Polarity::Auto;
};

struct StreamOptions {
    std::size_t pieceSize = std::size_t{1} << 18;
    // When set, the size of every next piece read (the tests cut inputs in odd ways).
    std::function<std::size_t()> pieceSizes;
    std::function<void(const StreamProgress&)> progress;
    // Follow mode: lines about a followed file that shrank or was replaced.
    std::function<void(std::string_view)> notice;
    // Which pattern each search of the whole-file run takes: the report's rule (bit text by
    // default), or every pattern in the order it arrives (sound, and --order arrival).
    modETSI300230::SyncRule order = modETSI300230::SyncRule::WholeFile;
    // Demodulated sound: where each transmission ended in the joined bit string, ascending.
    std::vector<std::uint64_t> transmissionEnds;
    // A marked bit text: its mark lines are read as blanks (MarkLineBlanker).
    bool markLines = false;
    // Follow mode: set by a signal handler; the run finishes its last record and returns.
    const volatile std::sig_atomic_t* stop = nullptr;
    // Follow mode: sound that its content does not announce, and how it is demodulated.
    FollowSound sound;
};

// The whole-file result, record by record: byte for byte what DecodeStream gives the input.
void StreamWhole(const RawInput& input, const StreamOptions& options, const RecordEvents& events);

// Follow mode: patterns of either kind in the order they arrive; a regular file is read on as
// it grows (and from its new start when it shrinks or is replaced), a pipe until it closes.
// Records after the last decodable block are not written: the count they come from is not
// known until the input ends. Throws FileError when the input cannot be read.
void StreamFollow(const std::string& path, const StreamOptions& options,
                  const RecordEvents& events);

// The wall-clock time now, as ISO 8601 UTC to the millisecond.
std::string UtcNow();
// A wall-clock time as ISO 8601 UTC to the millisecond.
std::string UtcText(std::chrono::system_clock::time_point time);

} // namespace vantrel
