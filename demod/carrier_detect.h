// Carrier and squelch detection. Decides, bit by bit, whether an FFSK transmission is on the
// air. The test is phase coherence rather than level: the decided bits' correlations, each
// turned by the phase its tone advanced, add up in phase over a dozen bits only when the
// signal really is phase-continuous FFSK at 1200 bit/s. Noise, voice and silence give a small
// share of their energy to that sum; a transmission gives nearly all of it. Turning off is
// also triggered by the level falling well below the transmission's own level (the carrier
// dropped into silence). Both tones may be off by the same tens of hertz, which turns every bit
// a little further than the decisions say; the sum is therefore kept for a few such offsets
// and the best one counts. It is where the tone trackers start when a transmission begins.
// The same sums give the transmission's level and its Eb/N0.
#pragma once

#include "sequence_detector.h"

#include <array>
#include <complex>
#include <cstddef>
#include <cstdint>

namespace demod {

class CarrierDetect {
public:
    // `noiseBandwidthHz`: equivalent noise bandwidth of the correlated (wide) baseband signal,
    // for the Eb/N0 estimate.
    // `sampleRate`: of the baseband samples.
    CarrierDetect(double noiseBandwidthHz, double sampleRate);

    // Takes the next decided bit; returns whether the carrier is on for it.
    bool Push(const DecidedBit& bit);
    bool on() const { return on_; }

    // Share of a single bit's energy its own correlation explains: near 1 for a clean bit.
    static double BitQuality(const DecidedBit& bit);

    // Of the transmission on the air (or that just ended): in-band mean power per baseband
    // sample, and the estimated Eb/N0 (dB).
    double meanPower() const;
    // The common tone offset (radians per sample) that fits the signal best.
    double toneOffset() const { return offsets_[best_]; }
    double ebN0Db() const;

private:
    void ResetSums();

    double bandwidth_;
    bool on_ = false;
    static constexpr std::size_t Offsets = 7;
    std::array<double, Offsets> offsets_{};
    std::array<std::complex<double>, Offsets> coherent_{};
    std::size_t best_ = Offsets / 2;
    double energy_ = 0, samples_ = 0;
    double weight_ = 0;  // how many bits the sums hold, each counted with its weight
    double level_ = 0;   // running power per sample while on
    double typical_ = 0; // running coherence while on
    int quietBits_ = 0;
    int steadyBits_ = 0;
    int incoherentBits_ = 0;
    // Over the transmission: for the level and the Eb/N0 estimate.
    double powerSum_ = 0, widePowerSum_ = 0, coherentSum_ = 0;
    std::uint64_t bits_ = 0, measured_ = 0;
};

} // namespace demod
