#include "carrier_detect.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace demod {

namespace {

constexpr double Retention = 0.9; // the coherent sum spans about (1 + r) / (1 - r) = 19 bits
// On: the coherence stays above OnThreshold for OnBits bits in a row (a minute of white noise
// or of voice never did that). Off: it stays below the larger of OffThreshold and OffShare
// of what the transmission showed for OffBits bits in a row. The share ends a strong
// transmission soon after it stops; the floor ends a stretch that a chance run of noise
// started.
constexpr double OnThreshold = 0.5;
constexpr double FilledWeight = 6; // of the most the sum's weights reach, r / (1 - r) = 9
constexpr double OffShare = 0.6;
constexpr int OffBits = 6;
constexpr int OnBits = 8;
constexpr double OffThreshold = 0.2;
// Power per sample below which a bit counts as quiet: a hundredth of the transmission's own
// level (-20 dB), or nothing at all (digital silence, about -110 dBFS).
constexpr double QuietShare = 0.01;
constexpr double Silence = 1e-11;
constexpr int QuietBitsToDrop = 2;
constexpr std::uint64_t SettleBits = 12; // the first bits of a transmission fill the sums

} // namespace

CarrierDetect::CarrierDetect(double noiseBandwidthHz, double sampleRate)
    : bandwidth_(noiseBandwidthHz) {
    // -45 .. +45 Hz in steps of 15 Hz: a bit turns at most 2.25 degrees (and a dozen bits
    // about 30 degrees) away from the nearest step.
    for (std::size_t i = 0; i < Offsets; ++i)
        offsets_[i] = 2 * std::numbers::pi * 15.0 * (static_cast<double>(i) - 3) / sampleRate;
}

double CarrierDetect::BitQuality(const DecidedBit& bit) {
    const double denominator = bit.samples * bit.wideEnergy;
    return denominator > 0 ? static_cast<double>(std::norm(bit.sum)) / denominator : 0;
}

void CarrierDetect::ResetSums() {
    powerSum_ = widePowerSum_ = coherentSum_ = 0;
    bits_ = measured_ = 0;
    quietBits_ = 0;
    incoherentBits_ = 0;
}

bool CarrierDetect::Push(const DecidedBit& bit) {
    const std::complex<double> sum(bit.sum.real(), bit.sum.imag());
    const std::complex<double> advance(bit.advance.real(), bit.advance.imag());
    double best = -1;
    for (std::size_t i = 0; i < Offsets; ++i) {
        const std::complex<double> turn = std::polar(1.0, offsets_[i] * bit.length);
        coherent_[i] = Retention * (coherent_[i] + sum) * advance * turn;
        if (std::norm(coherent_[i]) > best) {
            best = std::norm(coherent_[i]);
            best_ = i;
        }
    }
    energy_ = Retention * (energy_ + bit.wideEnergy);
    weight_ = Retention * (weight_ + 1);
    samples_ = Retention * (samples_ + bit.samples);
    const double denominator = energy_ * samples_;
    const double coherence = denominator > 0 ? best / denominator : 0;
    const double power = bit.samples > 0 ? bit.energy / bit.samples : 0;

    if (!on_) {
        // A sum of a few bits only is coherent whatever the signal: it has to span
        // enough bits first.
        const bool filled = weight_ >= FilledWeight;
        steadyBits_ = filled && coherence > OnThreshold && power > Silence ? steadyBits_ + 1 : 0;
        if (steadyBits_ >= OnBits) {
            on_ = true;
            level_ = power;
            typical_ = coherence;
            ResetSums();
        }
    } else {
        quietBits_ = power < std::max(QuietShare * level_, Silence) ? quietBits_ + 1 : 0;
        // Off when the coherence falls well below what this transmission has shown.
        const double floor = std::max(OffThreshold, OffShare * typical_);
        incoherentBits_ = coherence < floor ? incoherentBits_ + 1 : 0;
        if (incoherentBits_ >= OffBits || quietBits_ >= QuietBitsToDrop) {
            // What follows must show its own coherence: the sums still hold the
            // transmission that just ended.
            on_ = false;
            coherent_.fill({});
            energy_ = samples_ = weight_ = 0;
            steadyBits_ = 0;
        } else {
            level_ += 0.05 * (power - level_);
            typical_ += 0.05 * (coherence - typical_);
        }
    }
    if (on_) {
        ++bits_;
        powerSum_ += power;
        widePowerSum_ += bit.samples > 0 ? bit.wideEnergy / bit.samples : 0;
        if (bits_ > SettleBits && bit.samples > 0) {
            // The decided bit's correlation, as power per sample: the signal's power plus
            // the share of the noise a filter one bit rate wide lets through.
            coherentSum_ += static_cast<double>(std::norm(bit.sum)) / (bit.samples * bit.samples);
            ++measured_;
        }
    }
    return on_;
}

double CarrierDetect::meanPower() const {
    return bits_ > 0 ? powerSum_ / static_cast<double>(bits_) : 0;
}

double CarrierDetect::ebN0Db() const {
    constexpr double Ceiling = 60;
    if (measured_ == 0 || bits_ == 0)
        return 0;
    // All of it measured on the correlated signal: its in-band power is that of the
    // correlations' signal plus the noise of the whole band the correlators see.
    const double total = widePowerSum_ / static_cast<double>(bits_);
    // Share of the noise that one bit's correlation keeps: it is a filter one bit rate wide.
    const double share = std::min(0.9, 1200.0 / bandwidth_);
    const double coherent = coherentSum_ / static_cast<double>(measured_);
    const double signal = std::clamp((coherent - share * total) / (1 - share), 0.0, total);
    const double noise = total - signal;
    if (signal <= 0)
        return -Ceiling;
    if (noise <= signal * std::pow(10.0, -Ceiling / 10))
        return Ceiling;
    // Eb/N0 = (real signal power / 1200) / N0, with the signal's baseband power half of its
    // real power and the noise's baseband power N0 * bandwidth / 2.
    return 10 * std::log10(signal * bandwidth_ / (1200.0 * noise));
}

} // namespace demod
