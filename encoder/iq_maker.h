// Test-side radio: a receiver's capture of a band, made from audio. Each transmitter
// FM-modulates its audio onto a carrier at some offset from the capture's centre (its
// channel plus its own frequency error), keyed on for the length of its audio; the band's
// noise is white over the whole capture, and the result is quantised as rtl_sdr writes it.
// Written here from the definitions (phase accumulation, Box-Muller noise), deliberately
// without the DSP library the band processing uses, so a fault in one cannot hide in the other.
#pragma once

#include <complex>
#include <cstdint>
#include <span>
#include <vector>

namespace modulator {

// One transmitter on the air.
struct Carrier {
    std::vector<float> audio; // the modulating audio; 1.0 swings the carrier by deviationHz
    double audioRate = 48000;
    double offsetHz = 0;       // from the capture's centre, the transmitter's error included
    double deviationHz = 2500; // peak swing for audio of amplitude 1
    double cnDb = 20;          // carrier power over the noise in the reference bandwidth
    double startSeconds = 0;
};

// The capture and its noise.
struct Band {
    double sampleRate = 2.4e6;
    double seconds = 1;
    // Noise power in referenceHz, against full scale 1.0 (the default puts the band's noise
    // at about 4 steps of an 8-bit converter at 2.4 MS/s, as a receiver with its gain set
    // for a quiet band shows it).
    double noisePower = 1e-5;
    double referenceHz = 12500; // the bandwidth C/N is counted in: one channel
    std::uint64_t seed = 1;
};

std::vector<std::complex<float>> MakeIq(const Band& band, std::span<const Carrier> carriers);

// As rtl_sdr writes samples: I then Q, unsigned bytes with 127.5 as zero, full scale 1.0
// at 0 and 255, beyond that clipped.
std::vector<std::uint8_t> ToU8(std::span<const std::complex<float>> samples);

} // namespace modulator
