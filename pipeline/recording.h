// A recording opened for a decode: opened once, told what it is there (InputKind, by the
// content's first bytes whatever the name), and read as its kind says.
#pragma once

#include "decoded_record.h"
#include "demodulate_sound.h"
#include "demodulator.h"
#include "input_kind.h"
#include "raw_input.h"
#include "record_stream.h"
#include "transmission_map.h"
#include "transmission_marks.h"

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

// How this system reads sound into bits for its decoder: with the automatic polarity, the
// reading of each transmission that the decoder finds more signalling in.
ToneReading SignallingReading(demod::Polarity polarity);

// An input opened once: its content made plain, and what it is.
struct OpenedInput {
    std::string path;
    std::optional<RawInput> plain; // nothing for raw PCM, whose bytes are read as they are
    InputKind kind;
};

// Opens `path` ("-": standard input) once, whatever it is, makes its content plain (a pipe
// spooled beyond `spoolLimit`, a compressed input decompressed) and tells what it is from the
// plain content's first bytes. A kind `known` already (a file -r looked into to find it, raw
// PCM the user named) is not told again. Throws FileError.
OpenedInput OpenInput(const std::string& path, std::size_t spoolLimit,
                      const std::optional<InputKind>& known = std::nullopt);

// Reads an opened input as its kind says: a bit text as it is, the marks of a marked one, sound
// demodulated whole here. Throws FileError.
Recording ReadRecording(OpenedInput input, const AudioOptions& audio);

// OpenInput and ReadRecording: raw PCM when `audio` names a raw rate.
Recording OpenRecording(const std::string& path, demod::Polarity polarity, std::size_t spoolLimit);
// The same with the channel of a sound file, raw PCM and the polarity; `known` as OpenInput.
Recording OpenRecording(const std::string& path, const AudioOptions& audio, std::size_t spoolLimit,
                        const std::optional<InputKind>& known = std::nullopt);

// The start time --start-time (`choice`: ISO 8601 or "mtime") gives the recording at `path`,
// which then wins over one its marks name. Throws FileError.
void SetStartTime(Recording& recording, const std::string& path, std::string_view choice);

// The options of the whole-file run of `recording`: sound takes the patterns in the order they
// arrive and ends each block with its transmission; a bit text takes them in the `asked` order.
StreamOptions WholeOptions(const Recording& recording, modETSI300230::SyncRule asked,
                           StreamOptions options);

// The transmission a mark of vantrel-demod's output names, its bits those from `firstBit` on.
HeardTransmission MarkedTransmission(const TransmissionMark& mark, std::uint64_t firstBit,
                                     std::uint64_t bitCount);

// Where the bit at `bitIndex` (inside `heard`) was heard: seconds into the recording to the
// millisecond, level, Eb/N0; with the recording's start time, also when by the clock.
HeardInfo HeardIn(const HeardTransmission& heard, std::uint64_t bitIndex,
                  std::optional<std::int64_t> startTime);

// Where the bit at `bitIndex` of a demodulated recording was heard; nothing past the last bit.
// With the recording's start time, also when by the clock.
std::optional<HeardInfo> HeardAt(const TransmissionMap& map, std::uint64_t bitIndex,
                                 std::optional<std::int64_t> startTime = std::nullopt);

} // namespace vantrel
