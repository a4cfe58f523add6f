// A whole band from a radio's IQ into one run's output. The source's bytes become samples, the
// band receiver cuts out the channels of the plan, and every channel that opens gets a decode
// of its own (a LiveSound: demodulator, decoder and records), made the first time the channel
// opens, so the quiet channels of a band cost nothing past the receiver. All of them write into
// one RunOutput, each as a stream of its own, so every record reaches the output whole and
// carries its channel. Any IqSource feeds it: a capture file or pipe, a file followed as a
// receiver program writes it, rtl_tcp, a SoapySDR device.
#pragma once

#include "band_plan.h"
#include "band_receiver.h"
#include "channel_stats.h"
#include "file_error.h"
#include "iq_source.h"
#include "record_output.h"
#include "record_stats.h"
#include "record_stream.h"
#include "run.h"

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace vantrel {

struct BandRunOptions {
    // Follow mode: each record goes out as soon as it is final, stamped with that time
    // (finalAt; the text report writes the record's section, its channel line and that time).
    // Otherwise the whole capture: records in their formats as they become final, and the text
    // report one per channel that had calls, in order of frequency, once the capture has ended.
    bool follow = false;
    // When the capture's first sample was taken (--start-time), in milliseconds since 1970:
    // each record is then heard.utc that plus its heard.seconds. Without it a followed run
    // stamps heard.utc by the clock as the samples arrive, and a whole capture has none.
    std::optional<std::int64_t> startTime;
    // Set by a signal handler: the run ends the transmissions on the air and returns. A live
    // source gives a piece at least every tenth of a second, so the stop is seen that soon.
    const volatile std::sig_atomic_t* stop = nullptr;
    channelizer::ReceiverSettings receiver;
    // After each piece read: the bytes read so far (bytesTotal when the caller knows it).
    std::function<void(const StreamProgress&)> progress;
    std::uint64_t bytesTotal = 0;
};

struct BandRunResult {
    RecordStats stats;       // of every channel together (counted as RunWhole counts)
    ChannelStats channels;   // per channel, when the choice asks for statistics
    std::uint64_t calls = 0; // records written
    std::uint64_t samples = 0;
    // Bytes of an I/Q pair cut off at the end: the capture was truncated, has an odd byte
    // count, or is not in the format named. What came before it was decoded.
    std::size_t leftOverBytes = 0;
    // The source failed for good (its FileError): what came before was decoded and written.
    std::optional<FileError> failure;
};

// The band of `source` through the channels of `plan` (made for this source: its rate and its
// centre) into `target`, as RunWhole and RunFollow write: `records` null for the text report.
// Warns through `target` when the capture held no samples, when no channel carried a call, and
// when it ended inside an I/Q pair. A source that fails ends the run as its end would, and
// the result says why.
BandRunResult RunBand(IqSource& source, const channelizer::BandPlan& plan,
                      const OutputChoice& choice, const BandRunOptions& options,
                      const OutputTarget& target, RecordOutput* records);

// The line RunBand warns with when the capture ends inside an I/Q pair.
std::string LeftOverWarning(std::size_t leftOverBytes, channelizer::IqFormat format);

} // namespace vantrel
