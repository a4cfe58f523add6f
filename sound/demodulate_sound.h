// From sound to bit text: an audio file or stream demodulated piece by piece, with the
// transmissions the bits were heard in.
#pragma once

#include "audio_file.h"
#include "demodulator.h"
#include "transmission_map.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

struct AudioOptions {
    int channel = 1;       // 1-based, for sound files with several channels
    int rawSampleRate = 0; // 0: a sound file; otherwise raw S16LE mono PCM at this rate
    demod::Polarity polarity = demod::Polarity::Auto;
};

// Opens `path` ("-": standard input) as the options say. Throws FileError.
AudioFile OpenAudio(const std::string& path, const AudioOptions& options);

// What a program says once when a transmission's polarity was guessed (polarityGuessed).
inline constexpr std::string_view PolarityGuessedWarning =
    "the tone polarity could not be told from the content; read with 1200 Hz as \"1\" "
    "(--invert yes reads the other way round)";

struct DemodulationEvents {
    std::function<void(std::string_view bits)> bits; // of the current transmission
    std::function<void(const HeardTransmission&)> transmissionEnd;
};

// The demodulator with the transmissions counted as the bits handed on: for a source that is
// fed as it comes (a followed file, a sound card).
class SoundDemodulator {
public:
    SoundDemodulator(int sampleRate, demod::Polarity polarity, DemodulationEvents events);
    // The demodulator's events point back at it: it stays where it was made.
    SoundDemodulator(const SoundDemodulator&) = delete;
    SoundDemodulator& operator=(const SoundDemodulator&) = delete;
    void Feed(std::span<const float> samples);
    // The input has ended (or paused for good): a transmission still on the air is flushed.
    void Finish();
    int sampleRate() const { return sampleRate_; }

private:
    int sampleRate_;
    demod::Demodulator demodulator_;
    DemodulationEvents events_;
    demod::Sink sink_;
    std::uint64_t bitsSoFar_ = 0;
    std::uint64_t transmissionBits_ = 0;
};

// Demodulates all that `audio` holds, handing on bits and transmissions as they are found;
// at the end of the input a transmission still on the air is flushed. Returns the number of
// samples read. Throws FileError when reading fails.
std::uint64_t Demodulate(AudioFile& audio, demod::Polarity polarity,
                         const DemodulationEvents& events);

struct DemodulatedSound {
    std::string Bits; // every transmission's bits, joined: what the bit text joins to
    TransmissionMap Transmissions;
    bool EndedEarly = false; // the file held less sound than its header announced
    double Seconds = 0;      // the length of the sound
};

// All of `audio` demodulated for the decoder, such as a file's content read whole and found
// to be sound (LooksLikeAudio, AudioFile::FromMemory). Throws FileError.
DemodulatedSound DemodulateWhole(AudioFile audio, demod::Polarity polarity = demod::Polarity::Auto);

// A whole audio file demodulated for the decoder. Throws FileError.
DemodulatedSound DemodulateWhole(const std::string& path, const AudioOptions& options = {});

} // namespace vantrel
