// The header of a WAV file an SDR program writes: I and Q as its two channels, 8-bit,
// 16-bit or 32-bit float, and often an `auxi` chunk saying what the receiver was tuned to.
// Read from the first bytes as they arrive, so a WAV still being written (its lengths not yet
// filled in) or coming through a pipe is read like a finished file; RF64 and BW64 for
// captures beyond 4 GB. The samples themselves are the capture's IQ bytes as they stand.
#pragma once

#include "iq_samples.h"
#include "wav_chunks.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// What a WAV header says of its capture.
struct IqWavStart {
    channelizer::IqFormat format = channelizer::IqFormat::S16;
    double sampleRate = 0;
    std::uint64_t dataOffset = 0;           // the first sample byte
    std::optional<std::uint64_t> dataBytes; // nothing: as long as the file grows
    std::optional<double> centreHz;         // from the auxi chunk, when it says
};

struct IqWavHeader {
    using Status = WavDataStart::Status;
    Status status = Status::Incomplete;
    IqWavStart start;
    std::string problem; // Invalid: one line in the user's words
};

// A header must be complete within this many bytes: the chunks before the samples are a few
// hundred bytes in every writer seen, and a stream that is not a WAV must not be held long.
inline constexpr std::size_t MaxIqWavHeaderBytes = std::size_t{1} << 20;

// Reads the header at the start of `bytes` (all the bytes so far): Incomplete while more are
// needed to reach the first sample.
IqWavHeader ReadIqWavHeader(std::string_view bytes);

// The centre frequency an `auxi` chunk's body gives, in Hz: the binary form (two times, then
// the centre as a 32-bit count of Hz) or the XML form some programs write instead (its
// RadioCenterFreq attribute). Nothing when it gives none (0, absent, unreadable).
std::optional<double> AuxiCentreHz(std::string_view body);

} // namespace vantrel
