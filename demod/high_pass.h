// High-pass stage. Discriminator audio carries more than the data tones: sub-audible tones
// that open other receivers' squelch (CTCSS, 67 to 254 Hz) and mains hum (50 or 60 Hz and its
// first harmonics), each often louder than the data. Left in, they land within the
// correlators' band once the signal is mixed down, and a loud one pulls the discriminator and
// the level measurements off. This stage removes everything below the data band before
// anything else sees the signal: a fourth-order Butterworth high-pass (two biquad sections,
// bilinear transform at the input rate) with its corner at 350 Hz. It takes away DC as well.
// What it costs the data tones: under 0.001 dB of level at 1200 Hz; it turns the 1200 Hz tone
// by about 0.25 rad more than the 1800 Hz tone, a fixed offset the detector's tone tracking
// takes up.
#pragma once

#include <array>
#include <span>

namespace demod {

class HighPass {
public:
    static constexpr double CornerHz = 350;

    explicit HighPass(double sampleRate);

    // Filters `samples` in place.
    void Process(std::span<float> samples);

private:
    struct Section {
        double b0 = 0, b1 = 0, b2 = 0, a1 = 0, a2 = 0; // a0 is 1
        double s1 = 0, s2 = 0;                         // transposed direct form II state
    };
    std::array<Section, 2> sections_;
};

} // namespace demod
