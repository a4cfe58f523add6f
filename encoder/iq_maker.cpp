#include "iq_maker.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace modulator {

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;
constexpr double RampSeconds = 0.002; // a transmitter's power ramps up and down this fast

class Noise {
public:
    explicit Noise(std::uint64_t seed) : rng_(seed) {}
    // The generator's own arithmetic, not the library's distributions: the same seed gives
    // the same capture with every standard library.
    double Gaussian() {
        const double u = (static_cast<double>(rng_() >> 11) + 0.5) * (1.0 / 9007199254740992.0);
        const double v = (static_cast<double>(rng_() >> 11) + 0.5) * (1.0 / 9007199254740992.0);
        return std::sqrt(-2 * std::log(u)) * std::cos(TwoPi * v);
    }

private:
    std::mt19937_64 rng_;
};

// The carrier's audio at time t (seconds from its start), linearly interpolated.
double AudioAt(const Carrier& carrier, double t) {
    const double position = t * carrier.audioRate;
    const auto index = static_cast<std::size_t>(position);
    if (index + 1 >= carrier.audio.size())
        return carrier.audio.empty() ? 0 : carrier.audio.back();
    const double share = position - static_cast<double>(index);
    return carrier.audio[index] * (1 - share) + carrier.audio[index + 1] * share;
}

void AddCarrier(const Carrier& carrier, const Band& band, std::vector<std::complex<float>>& iq) {
    const double rate = band.sampleRate;
    const double amplitude = std::sqrt(band.noisePower * std::pow(10.0, carrier.cnDb / 10));
    const double length = static_cast<double>(carrier.audio.size()) / carrier.audioRate;
    const auto first = static_cast<std::size_t>(std::max(0.0, carrier.startSeconds * rate));
    const auto last =
        std::min(iq.size(), static_cast<std::size_t>((carrier.startSeconds + length) * rate));
    double phase = 0;
    for (std::size_t i = first; i < last; ++i) {
        const double t = static_cast<double>(i) / rate - carrier.startSeconds;
        const double hz = carrier.offsetHz + carrier.deviationHz * AudioAt(carrier, t);
        phase = std::fmod(phase + TwoPi * hz / rate, TwoPi);
        const double edge = std::min(t, length - t) / RampSeconds;
        const double ramp = edge >= 1 ? 1 : 0.5 - 0.5 * std::cos(std::numbers::pi * edge);
        iq[i] += std::complex<float>(std::polar(amplitude * ramp, phase));
    }
}

} // namespace

std::vector<std::complex<float>> MakeIq(const Band& band, std::span<const Carrier> carriers) {
    const auto count = static_cast<std::size_t>(band.seconds * band.sampleRate);
    // Noise of noisePower in referenceHz, white over the whole rate, half in I and half in Q.
    const double sigma = std::sqrt(band.noisePower * band.sampleRate / band.referenceHz / 2);
    Noise noise(band.seed);
    std::vector<std::complex<float>> iq(count);
    for (std::complex<float>& sample : iq)
        sample = {static_cast<float>(sigma * noise.Gaussian()),
                  static_cast<float>(sigma * noise.Gaussian())};
    for (const Carrier& carrier : carriers)
        AddCarrier(carrier, band, iq);
    return iq;
}

std::vector<std::uint8_t> ToU8(std::span<const std::complex<float>> samples) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(2 * samples.size());
    auto code = [](float value) {
        return static_cast<std::uint8_t>(
            std::clamp(std::lround(127.5 + 127.5 * static_cast<double>(value)), 0L, 255L));
    };
    for (const std::complex<float>& s : samples) {
        bytes.push_back(code(s.real()));
        bytes.push_back(code(s.imag()));
    }
    return bytes;
}

} // namespace modulator
