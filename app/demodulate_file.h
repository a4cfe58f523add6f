// From sound to bit text: an audio file or stream demodulated piece by piece, and a map that
// tells, for any bit of the joined bit string, in which transmission it was heard: when (from
// the start of the recording), how loud, how clean.
#pragma once

#include "audio_file.h"
#include "demodulator.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

struct HeardTransmission {
    std::uint64_t firstBit = 0; // its first bit's index in the bits of all transmissions joined
    std::uint64_t bitCount = 0;
    double startSeconds = 0; // from the start of the recording
    double endSeconds = 0;
    double levelDbfs = 0;
    double ebN0Db = 0;
    bool inverted = false; // 1800 Hz was taken as "1"
};

// The transmissions of one recording in the order they were heard.
class TransmissionMap {
public:
    // Transmissions come in order; one without bits is not kept (no bit can point to it).
    void Add(const HeardTransmission& transmission);
    // The transmission that holds the bit at `bitIndex`; nullptr past the last bit.
    const HeardTransmission* Find(std::uint64_t bitIndex) const;
    const std::vector<HeardTransmission>& transmissions() const { return transmissions_; }

private:
    std::vector<HeardTransmission> transmissions_;
};

struct AudioOptions {
    int channel = 1;       // 1-based, for sound files with several channels
    int rawSampleRate = 0; // 0: a sound file; otherwise raw S16LE mono PCM at this rate
    demod::Polarity polarity = demod::Polarity::Auto;
};

// Opens `path` ("-": standard input) as the options say. Throws FileError.
AudioFile OpenAudio(const std::string& path, const AudioOptions& options);

struct DemodulationEvents {
    std::function<void(std::string_view bits)> bits; // of the current transmission
    std::function<void(const HeardTransmission&)> transmissionEnd;
};

// Demodulates all that `audio` holds, handing on bits and transmissions as they are found;
// at the end of the input a transmission still on the air is flushed. Throws FileError when
// reading fails.
void Demodulate(AudioFile& audio, demod::Polarity polarity, const DemodulationEvents& events);

struct DemodulatedFile {
    std::string Bits; // every transmission's bits, joined: what the bit text joins to
    TransmissionMap Transmissions;
    bool EndedEarly = false; // the file held less sound than its header announced
};

// All of `audio` demodulated for the decoder, such as a file's content read whole and found
// to be sound (LooksLikeAudio, AudioFile::FromMemory). Throws FileError.
DemodulatedFile DemodulateAll(AudioFile audio, demod::Polarity polarity = demod::Polarity::Auto);

// A whole audio file demodulated for the decoder. Throws FileError.
DemodulatedFile DemodulateFile(const std::string& path, const AudioOptions& options = {});

} // namespace vantrel
