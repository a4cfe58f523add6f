// vantrel-decode --iq, --rtl-tcp and --soapy: a radio band's IQ (a capture file or pipe, read
// once; with --follow a file as a receiver program writes it; a live radio) decoded channel by
// channel into one output.
#pragma once

#include "decode_options.h"
#include "iq_source.h"

#include <csignal>
#include <cstdint>
#include <optional>

namespace vantrel::decode {

// Every final record goes to `finalRecord` too, when set (the live page). Returns the exit
// status.
int RunBandMode(const Options& options, const RecordListener& finalRecord = {});

// What a band run knows of its source beyond the IqSource.
struct BandSourceFacts {
    // Records go out as each becomes final, until the source ends or `stop` is set (a live
    // radio, a followed capture); otherwise the whole capture.
    bool live = false;
    const volatile std::sig_atomic_t* stop = nullptr;
    std::optional<double> seconds; // the capture's length when known ahead (--start-time mtime)
    std::uint64_t bytesTotal = 0;  // for the progress line; 0: none shown
    RecordListener finalRecord;    // besides the broker and the database: the live page
};

// Any IQ source decoded as the options ask: the band plan from the options and the source (a
// plan that cannot be made is refused in one line, exit status 2), the records or reports to
// standard output, warnings and --stats (with a line per channel) to standard error, every
// final record to the broker and database of --mqtt and --db and to `facts.finalRecord`.
// Returns the exit status: 1 when the source failed or ended inside an I/Q pair (after what
// came before was written), or its --start-time could not be had. Throws tool::OutputError
// when standard output fails.
int RunBandOf(IqSource& source, const Options& options, const BandSourceFacts& facts);

} // namespace vantrel::decode
