#include "baseband.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <numeric>
#include <stdexcept>

namespace demod {

namespace {

constexpr double LowPassHz = 1000;
// The correlators' filter: wide enough to leave the bits' edges alone, narrow enough to remove
// the input's mirror image (the tones' negative frequencies land at -2700 and -3300 Hz).
constexpr double WidePassHz = 1700;
// Mixing reads the oscillator from a table when the rate makes it repeat soon enough.
constexpr std::size_t MaxTablePeriod = 8192;
constexpr double LowPassBits = 2.5; // the low-pass filter spans this many bits

// Windowed-sinc low-pass taps with unity gain at DC.
std::vector<float> LowPassTaps(double rate, double cutoffHz, std::size_t length) {
    std::vector<float> taps(length);
    const double middle = (static_cast<double>(length) - 1) / 2;
    double sum = 0;
    std::vector<double> raw(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) - middle;
        const double x = 2 * cutoffHz / rate * t;
        const double sinc = t == 0 ? 1 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
        const double window = 0.54 - 0.46 * std::cos(2 * std::numbers::pi * static_cast<double>(i) /
                                                     (static_cast<double>(length) - 1));
        raw[i] = sinc * window;
        sum += raw[i];
    }
    for (std::size_t i = 0; i < length; ++i)
        taps[i] = static_cast<float>(raw[i] / sum);
    return taps;
}

} // namespace

Baseband::Baseband(double sampleRate) {
    if (!(sampleRate >= 8000 && sampleRate <= 192000))
        throw std::invalid_argument("sample rate outside 8000..192000 Hz");
    factor_ = static_cast<std::size_t>(std::floor(sampleRate / 8000));
    outputRate_ = sampleRate / static_cast<double>(factor_);
    step_ = std::polar(1.0, -2 * std::numbers::pi * CentreHz / sampleRate);
    // 1500 Hz repeats after rate / gcd(rate, 1500) samples for a whole-numbered rate.
    if (sampleRate == std::floor(sampleRate)) {
        const auto rate = static_cast<std::uint64_t>(sampleRate);
        const std::uint64_t period = rate / std::gcd(rate, std::uint64_t{1500});
        if (period <= MaxTablePeriod) {
            table_.resize(period);
            for (std::size_t i = 0; i < period; ++i)
                table_[i] = Complex(std::polar(1.0, -2 * std::numbers::pi * CentreHz *
                                                        static_cast<double>(i) / sampleRate));
        }
    }
    scale_ = 1.0f / static_cast<float>(factor_ * (factor_ + 1)); // unity gain at DC

    std::size_t length = static_cast<std::size_t>(std::lround(LowPassBits * outputRate_ / BitRate));
    length |= 1U;
    taps_ = LowPassTaps(outputRate_, LowPassHz, length);
    wideTaps_ = LowPassTaps(outputRate_, WidePassHz, length);
    history_.assign(2 * length, Complex{});
    double squares = 0;
    for (const float t : taps_)
        squares += static_cast<double>(t) * t;
    noiseBandwidth_ = outputRate_ * squares;
    squares = 0;
    for (const float t : wideTaps_)
        squares += static_cast<double>(t) * t;
    wideNoiseBandwidth_ = outputRate_ * squares;
    // The low-pass filter's middle tap, plus the triangular window's centre (one block).
    delay_ = (static_cast<double>(length) - 1) / 2 + 1;
}

void Baseband::Process(std::span<const float> samples, std::vector<BasebandSample>& out) {
    for (const float sample : samples) {
        Complex mixed;
        if (!table_.empty()) {
            mixed = table_[tableAt_] * sample;
            tableAt_ = tableAt_ + 1 == table_.size() ? 0 : tableAt_ + 1;
        } else {
            mixed = Complex(static_cast<float>(phasor_.real()) * sample,
                            static_cast<float>(phasor_.imag()) * sample);
            phasor_ *= step_;
            if (++sinceNormalise_ == 1024) {
                phasor_ /= std::abs(phasor_);
                sinceNormalise_ = 0;
            }
        }
        blockSum_ += mixed;
        blockRamp_ += static_cast<float>(inBlock_) * mixed;
        if (++inBlock_ < factor_)
            continue;
        // Triangle over the previous block (rising weights 1..M) and this one (falling M..1).
        const float m = static_cast<float>(factor_);
        const Complex value = (lastRamp_ + lastSum_ + m * blockSum_ - blockRamp_) * scale_;
        lastSum_ = blockSum_;
        lastRamp_ = blockRamp_;
        blockSum_ = blockRamp_ = Complex{};
        inBlock_ = 0;
        Decimated(value, out);
    }
}

void Baseband::Decimated(Complex value, std::vector<BasebandSample>& out) {
    const std::size_t length = taps_.size();
    history_[head_] = value;
    history_[head_ + length] = value;
    head_ = head_ + 1 == length ? 0 : head_ + 1;
    // history_[head_ .. head_ + length) holds the last `length` values, oldest first.
    const Complex* window = &history_[head_];
    float re = 0, im = 0, wideRe = 0, wideIm = 0;
    for (std::size_t i = 0; i < length; ++i) {
        re += taps_[i] * window[i].real();
        im += taps_[i] * window[i].imag();
        wideRe += wideTaps_[i] * window[i].real();
        wideIm += wideTaps_[i] * window[i].imag();
    }
    // Both filters have the same length, so the same delay: the outputs line up.
    out.push_back({Complex(wideRe, wideIm), Complex(re, im)});
}

} // namespace demod
