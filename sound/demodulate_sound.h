// From sound to bit text: any source of samples demodulated piece by piece, with the
// transmissions the bits were heard in.
#pragma once

#include "audio_file.h"
#include "demodulator.h"
#include "sample_source.h"
#include "transmission_map.h"

#include <csignal>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

struct AudioOptions {
    int channel = 1;       // 1-based, for sound files with several channels
    int rawSampleRate = 0; // 0: a sound file; otherwise raw S16LE mono PCM at this rate
    demod::Polarity polarity = demod::Polarity::Auto;
};

// How sound is read into bits: the tone polarity, and for the automatic one what tells which
// reading of a transmission is signalling. Whoever knows signalling hands the score in (the
// pipeline gives the decoder's); without one the demodulator counts the sync patterns it knows.
// The automatic polarity is decided as each transmission ends (a live run); DemodulateWhole
// decides it once for the whole recording.
struct ToneReading {
    demod::Polarity polarity = demod::Polarity::Auto;
    demod::ReadingScore score;
    demod::AutoDecision decision = demod::AutoDecision::AsHeard;
};

// Opens `path` ("-": standard input) as a sound file or, with a raw rate, as raw PCM, as the
// options say. Throws FileError.
AudioFile OpenAudio(const std::string& path, const AudioOptions& options);

// What a program says once when a transmission's polarity was guessed (polarityGuessed).
inline constexpr std::string_view PolarityGuessedWarning =
    "the tone polarity could not be told from the content; read with 1200 Hz as \"1\" "
    "(--invert yes reads the other way round)";

struct DemodulationEvents {
    std::function<void(std::string_view bits)> bits; // of the current transmission
    std::function<void(const HeardTransmission&)> transmissionEnd;
};

// The demodulator with the transmissions counted as the bits handed on, fed one stream of
// samples piece by piece.
class SoundDemodulator {
public:
    SoundDemodulator(int sampleRate, const ToneReading& reading, DemodulationEvents events);
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

// Demodulates what `source` gives until it ends, or until `stop` is set (a live source read
// until the user stops the run), handing on bits and transmissions as they are found; then a
// transmission still on the air is flushed. Returns the number of samples read. Throws
// FileError when reading fails.
std::uint64_t Demodulate(SampleSource& source, const ToneReading& reading,
                         const DemodulationEvents& events,
                         const volatile std::sig_atomic_t* stop = nullptr);

struct DemodulatedSound {
    std::string Bits; // every transmission's bits, joined: what the bit text joins to
    TransmissionMap Transmissions;
    bool EndedEarly = false; // the file held less sound than its header announced
    double Seconds = 0;      // the length of the sound
};

// All of `source` demodulated for the decoder, such as a file's content found to be sound
// where it was opened. The automatic polarity is the one the whole recording weighs for: the
// bits are read Normal as they come, with each transmission's evidence, and those the rule
// reads Inverted are turned round in place at the end (a pass over the bits, no copy). Throws
// FileError.
DemodulatedSound DemodulateWhole(SampleSource& source, const ToneReading& reading = {});

} // namespace vantrel
