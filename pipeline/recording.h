// A recording opened for a decode, and the one rule that tells sound from a bit text: by the
// content's first bytes, whatever the name.
#pragma once

#include "decoded_record.h"
#include "demodulate_sound.h"
#include "demodulator.h"
#include "raw_input.h"
#include "record_stream.h"
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
    bool marked = false; // a bit text with transmission marks (vantrel-demod's output)
    double seconds = 0;  // the length of the sound (sound and marked texts)
    std::optional<std::int64_t> startTime; // when the recording began (ms since 1970), if known
};

// Whether the regular file at `path` starts as sound does, compressed or not. False when it
// cannot be read (opening it for the decode then gives the error) and for anything but a
// regular file, whose bytes would be lost to the decode.
bool IsSoundFile(const std::string& path);

// Opens `path` ("-": standard input) once, whatever it is, and makes its content plain
// (OpenPlain: a pipe spooled beyond `spoolLimit`, a compressed input decompressed). Sound is
// told by the plain content and demodulated whole here. Throws FileError.
Recording OpenRecording(const std::string& path, demod::Polarity polarity, std::size_t spoolLimit);
// The same with the channel of a sound file and its polarity.
Recording OpenRecording(const std::string& path, const AudioOptions& audio, std::size_t spoolLimit);

// The start time --start-time (`choice`: ISO 8601 or "mtime") gives the recording at `path`,
// which then wins over one its marks name. Throws FileError.
void SetStartTime(Recording& recording, const std::string& path, std::string_view choice);

// Opens `path` ("-": standard input) as raw signed 16-bit little-endian mono PCM at
// `sampleRate`, demodulated as it is read. Throws FileError.
Recording OpenRawRecording(const std::string& path, int sampleRate, demod::Polarity polarity);

// The whole bit string of `path`: a bit text joined, or sound demodulated. Throws FileError.
std::string ReadAllBits(const std::string& path, demod::Polarity polarity);

// The options of the whole-file run of `recording`: sound takes the patterns in the order they
// arrive and ends each block with its transmission; a bit text takes them in the `asked` order.
StreamOptions WholeOptions(const Recording& recording, modETSI300230::SyncRule asked,
                           StreamOptions options);

// Where the bit at `bitIndex` of a demodulated recording was heard; nothing past the last bit.
// With the recording's start time, also when by the clock.
std::optional<HeardInfo> HeardAt(const TransmissionMap& map, std::uint64_t bitIndex,
                                 std::optional<std::int64_t> startTime = std::nullopt);

} // namespace vantrel
