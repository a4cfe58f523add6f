// FM demodulation stage: a channel's complex samples to audio the FFSK demodulator takes. The
// discriminator (liquid's freqdem) turns each sample's change of phase into the carrier's
// frequency: audio scaled so that the nominal deviation of 2.5 kHz reads 0.5 (-6 dBFS), room
// for louder transmitters. A carrier off its channel becomes a constant the FFSK
// demodulator's own high-pass takes away. The audio then goes to a lower rate (liquid's
// rational resampler, rresamp), whose low-pass at 3.5 kHz is also the receiver's audio filter:
// above the voice band the discriminator hands on mostly noise, rising with frequency, and
// nothing of the two tones. No de-emphasis: the tones are taken as sent flat (the FFSK
// demodulator follows a tone level difference of 6 dB, more than de-emphasis makes of them).
#pragma once

#include "liquid_dsp.h"

#include <cstddef>
#include <span>
#include <vector>

namespace channelizer {

inline constexpr double NominalDeviationHz = 2500;
inline constexpr double AudioRate = 12500;        // within what the FFSK demodulator takes
inline constexpr double AudioBandHz = 3400;       // the audio filter's -6 dB point
inline constexpr double AudioTransitionHz = 1600; // its pass edge to its stop edge (60 dB)

class FmAudio {
public:
    // `channelRate`: of the channel's samples; a whole number of Hz.
    explicit FmAudio(double channelRate);

    // Starts afresh: the channel has just opened.
    void Reset();

    // Appends the audio of `samples` (at the audio rate) to `audio`.
    void Demodulate(std::span<const Complex> samples, std::vector<float>& audio);

    // From a sample at the input to its audio at the output: half the filter.
    double delaySeconds() const { return delaySeconds_; }

private:
    using Discriminator = LiquidObject<freqdem, freqdem_destroy>;
    using Resampler = LiquidObject<rresamp_rrrf, rresamp_rrrf_destroy>;

    double delaySeconds_ = 0;
    Discriminator discriminator_;
    Resampler resampler_;
    unsigned interp_ = 1;              // audio samples out for every
    unsigned decim_ = 1;               // channel samples in
    std::vector<float> discriminated_; // audio at the channel rate; its tail waits for a
    std::size_t waiting_ = 0;          // whole resampler step
};

} // namespace channelizer
