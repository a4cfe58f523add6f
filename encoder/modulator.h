// Test-side FFSK modulator: bit text in, audio out, with the impairments real recordings show.
// Tests and benchmarks make their audio with it; it is never installed.
#pragma once

#include <cstdint>
#include <limits>
#include <random>
#include <string_view>
#include <vector>

namespace modulator {

// How one transmission differs from the ideal signal.
struct Impairments {
    double lowToneOffsetHz = 0;     // the 1200 Hz tone is sent this far off
    double highToneOffsetHz = 0;    // the 1800 Hz tone is sent this far off
    double clockOffset = 0;         // bit clock off by this share (0.02: 1224 bit/s)
    double clockDriftPerSecond = 0; // the clock offset changes by this much every second
    double highToneGainDb = 0;      // level of the 1800 Hz tone against the 1200 Hz tone
    double levelDbfs = -6;          // peak amplitude of the louder tone, against full scale 1.0
    bool inverted = false;          // true: the 1800 Hz tone is "1"
};

// A steady sine under the whole recording: a receiver's sub-audible squelch tone (CTCSS,
// 67-254 Hz) or mains hum (50/60 Hz).
struct Tone {
    double hz = 0;
    double levelDbfs = -120; // peak amplitude against full scale 1.0
};

// What applies to the whole recording.
struct Recording {
    double sampleRate = 48000;
    // Additive white Gaussian noise over the whole recording, at this Eb/N0 (dB) of the
    // transmissions: Eb = signal power / 1200, N0 = noise power / (sampleRate / 2). Infinity:
    // no noise.
    double ebN0Db = std::numeric_limits<double>::infinity();
    double dcOffset = 0;
    double clipLevel = 1;    // samples beyond +-clipLevel are clipped (after noise and DC)
    std::vector<Tone> tones; // added with the noise, each at a random phase
    std::uint64_t seed = 1;
};

class Modulator {
public:
    explicit Modulator(const Recording& recording);

    // A transmission of `bits` ("0"/"1"; anything else is skipped), phase-continuous, starting
    // at a random phase of the tone and of the bit clock.
    void Transmission(std::string_view bits, const Impairments& impairments = {});
    // Nothing (the noise is added later, over everything).
    void Silence(double seconds);
    // Speech-like sound: a voiced buzz of gliding pitch through three formants, with
    // syllable-rate loudness changes and hiss.
    void Voice(double seconds, double levelDbfs = -12);

    // The audio: noise, DC offset and clipping applied. The modulator is empty afterwards.
    std::vector<float> Finish();

    // Seconds of audio so far (where the next part starts).
    double seconds() const;
    // Mean power of the transmissions' samples so far (what the noise level is set against).
    double signalPower() const;

private:
    double Uniform();
    double Gaussian();

    Recording recording_;
    std::mt19937_64 rng_;
    std::vector<double> audio_;
    double signalEnergy_ = 0;
    std::uint64_t signalSamples_ = 0;
};

// The same in one call: one transmission, no other parts.
std::vector<float> Modulate(std::string_view bits, const Recording& recording,
                            const Impairments& impairments = {});

} // namespace modulator
