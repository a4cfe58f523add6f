// A recording opened for a decode, and the one rule that tells sound from a bit text: by the
// content's first bytes, whatever the name.
#pragma once

#include "decoded_record.h"
#include "demodulator.h"
#include "raw_input.h"
#include "transmission_map.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

// The bits of one recording: a bit text as it is (a file, or a spooled pipe), or the bits
// demodulated from sound, with where each of them was heard.
struct Recording {
    std::optional<RawInput> bits;
    std::optional<TransmissionMap> heard; // sound only
    bool endedEarly = false;              // the sound file held less than its header announced
};

// Whether the file at `path` starts as sound does. False when it cannot be read: opening it
// for the decode then gives the error.
bool IsSoundFile(const std::string& path);

// Opens `path` ("-": standard input, spooled beyond `spoolLimit`). Sound is demodulated whole
// here: a file as it is read, standard input after it has been read whole (the sound reader
// needs to seek in it). Throws FileError.
Recording OpenRecording(const std::string& path, demod::Polarity polarity, std::size_t spoolLimit);

// Opens `path` ("-": standard input) as raw signed 16-bit little-endian mono PCM at
// `sampleRate`, demodulated as it is read. Throws FileError.
Recording OpenRawRecording(const std::string& path, int sampleRate, demod::Polarity polarity);

// The whole bit string of `path`: a bit text joined, or sound demodulated. Throws FileError.
std::string ReadAllBits(const std::string& path, demod::Polarity polarity);

// Where the bit at `bitIndex` of a demodulated recording was heard; nothing past the last bit.
std::optional<HeardInfo> HeardAt(const TransmissionMap& map, std::uint64_t bitIndex);

} // namespace vantrel
