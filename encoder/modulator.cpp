#include "modulator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace modulator {

namespace {

constexpr double LowToneHz = 1200;
constexpr double HighToneHz = 1800;
constexpr double BitRate = 1200;
constexpr double TwoPi = 2 * std::numbers::pi;

double FromDb(double db) {
    return std::pow(10.0, db / 20);
}

} // namespace

Modulator::Modulator(const Recording& recording) : recording_(recording), rng_(recording.seed) {}

// The generator's own arithmetic instead of the library's distributions, whose results differ
// between standard libraries: the same seed gives the same audio everywhere.
double Modulator::Uniform() {
    return (static_cast<double>(rng_() >> 11) + 0.5) * (1.0 / 9007199254740992.0);
}

double Modulator::Gaussian() {
    return std::sqrt(-2 * std::log(Uniform())) * std::cos(TwoPi * Uniform());
}

double Modulator::seconds() const {
    return static_cast<double>(audio_.size()) / recording_.sampleRate;
}

double Modulator::signalPower() const {
    return signalSamples_ > 0 ? signalEnergy_ / static_cast<double>(signalSamples_) : 0;
}

void Modulator::Transmission(std::string_view bits, const Impairments& impairments) {
    const double rate = recording_.sampleRate;
    const double level = FromDb(impairments.levelDbfs);
    const double gain = impairments.highToneGainDb;
    const double lowAmplitude = level * std::min(1.0, FromDb(-gain));
    const double highAmplitude = level * std::min(1.0, FromDb(gain));
    const double lowHz = LowToneHz + impairments.lowToneOffsetHz;
    const double highHz = HighToneHz + impairments.highToneOffsetHz;

    double phase = TwoPi * Uniform();
    // Share of the current bit already sent; a random start puts the first boundary anywhere
    // between two samples.
    double bitPhase = -Uniform() * BitRate / rate;
    double elapsed = 0;
    for (const char c : bits) {
        if (c != '0' && c != '1')
            continue;
        const bool one = c == '1';
        const bool high = one == impairments.inverted; // Normal: "1" is the 1200 Hz tone
        const double hz = high ? highHz : lowHz;
        const double amplitude = high ? highAmplitude : lowAmplitude;
        while (bitPhase < 1) {
            const double sample = amplitude * std::sin(phase);
            audio_.push_back(sample);
            signalEnergy_ += sample * sample;
            ++signalSamples_;
            phase = std::fmod(phase + TwoPi * hz / rate, TwoPi);
            const double clock =
                1 + impairments.clockOffset + impairments.clockDriftPerSecond * elapsed;
            bitPhase += BitRate * clock / rate;
            elapsed += 1 / rate;
        }
        bitPhase -= 1;
    }
}

void Modulator::Silence(double seconds) {
    const auto count = static_cast<std::size_t>(std::max(0.0, seconds) * recording_.sampleRate);
    audio_.insert(audio_.end(), count, 0.0);
}

void Modulator::Voice(double seconds, double levelDbfs) {
    const double rate = recording_.sampleRate;
    const auto count = static_cast<std::size_t>(std::max(0.0, seconds) * rate);
    const double level = FromDb(levelDbfs);
    // Formant centres and widths of an open vowel, moving a little with the syllables.
    constexpr double Formants[3] = {700, 1220, 2600};
    constexpr double Widths[3] = {130, 200, 300};
    const double pitchStart = 100 + 120 * Uniform();
    const double glide = 40 * (Uniform() - 0.5);
    const double syllableHz = 3 + 3 * Uniform();
    double pitchPhase = 0;
    std::vector<double> harmonicPhase(40);
    for (double& p : harmonicPhase)
        p = TwoPi * Uniform();
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double pitch =
            pitchStart + glide * std::sin(TwoPi * 0.7 * t) + 8 * std::sin(TwoPi * 5.5 * t);
        pitchPhase += TwoPi * pitch / rate;
        const double shift = 1 + 0.15 * std::sin(TwoPi * syllableHz * 0.5 * t);
        double value = 0;
        for (std::size_t h = 1; h <= harmonicPhase.size(); ++h) {
            const double hz = pitch * static_cast<double>(h);
            if (hz > 3800)
                break;
            double weight = 0;
            for (int f = 0; f < 3; ++f) {
                const double d = (hz - Formants[f] * shift) / Widths[f];
                weight += std::exp(-d * d) / (1 + f);
            }
            value += weight * std::sin(static_cast<double>(h) * pitchPhase + harmonicPhase[h - 1]);
        }
        const double loudness = 0.5 + 0.5 * std::sin(TwoPi * syllableHz * t);
        audio_.push_back(level * (0.4 * loudness * value + 0.03 * Gaussian()));
    }
}

std::vector<float> Modulator::Finish() {
    const double rate = recording_.sampleRate;
    double sigma = 0;
    if (std::isfinite(recording_.ebN0Db) && signalSamples_ > 0) {
        // Eb/N0 = (P / 1200) / (sigma^2 / (rate / 2))
        const double ebN0 = std::pow(10.0, recording_.ebN0Db / 10);
        sigma = std::sqrt(signalPower() / BitRate / ebN0 * (rate / 2));
    }
    struct Sine {
        double step, phase, amplitude;
    };
    std::vector<Sine> sines;
    for (const Tone& tone : recording_.tones)
        sines.push_back({2 * std::numbers::pi * tone.hz / rate, 2 * std::numbers::pi * Uniform(),
                         std::pow(10.0, tone.levelDbfs / 20)});
    std::vector<float> out(audio_.size());
    const double clip = recording_.clipLevel;
    for (std::size_t i = 0; i < audio_.size(); ++i) {
        double value = audio_[i] + recording_.dcOffset;
        for (const Sine& s : sines)
            value += s.amplitude * std::sin(s.phase + s.step * static_cast<double>(i));
        if (sigma > 0)
            value += sigma * Gaussian();
        out[i] = static_cast<float>(std::clamp(value, -clip, clip));
    }
    audio_.clear();
    signalEnergy_ = 0;
    signalSamples_ = 0;
    return out;
}

std::vector<float> Modulate(std::string_view bits, const Recording& recording,
                            const Impairments& impairments) {
    Modulator modulator(recording);
    modulator.Transmission(bits, impairments);
    return modulator.Finish();
}

} // namespace modulator
