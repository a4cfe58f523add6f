// The discriminator and the audio filter: the level and rate of the audio for each channel
// rate the spacings give, what the filter takes off above the voice band, a carrier's offset.
#include "fm_audio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using channelizer::FmAudio;

// A carrier `offsetHz` off the channel's centre, swung by `deviationHz` at `toneHz`.
std::vector<std::complex<float>> Fm(double rate, double seconds, double toneHz, double deviationHz,
                                    double offsetHz = 0) {
    std::vector<std::complex<float>> samples;
    double phase = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(rate * seconds); ++i) {
        const double t = static_cast<double>(i) / rate;
        phase += 2 * std::numbers::pi *
                 (offsetHz + deviationHz * std::sin(2 * std::numbers::pi * toneHz * t)) / rate;
        samples.push_back(
            std::polar(1.0F, static_cast<float>(std::fmod(phase, 2 * std::numbers::pi))));
    }
    return samples;
}

// Mean and RMS of the audio after its first 20 ms (the filter filling).
std::pair<double, double> MeanAndRms(const std::vector<float>& audio) {
    const std::size_t skip = static_cast<std::size_t>(0.02 * channelizer::AudioRate);
    double sum = 0, squares = 0;
    for (std::size_t i = skip; i < audio.size(); ++i) {
        sum += audio[i];
        squares += static_cast<double>(audio[i]) * audio[i];
    }
    const double n = static_cast<double>(audio.size() - skip);
    const double mean = sum / n;
    return {mean, std::sqrt(squares / n - mean * mean)};
}

std::vector<float> Audio(double channelRate, const std::vector<std::complex<float>>& samples) {
    FmAudio fm(channelRate);
    std::vector<float> audio;
    // In uneven pieces: the resampler's steps must carry across them.
    for (std::size_t at = 0; at < samples.size(); at += 333)
        fm.Demodulate(
            std::span(samples).subspan(at, std::min<std::size_t>(333, samples.size() - at)), audio);
    return audio;
}

struct Case {
    double channelRate; // twice the spacing
    double toneHz;
    double deviationHz;
    double offsetHz;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.channelRate << " Hz, " << c.toneHz << " Hz tone at " << c.deviationHz << " Hz, "
        << c.offsetHz << " Hz off";
}

class Level : public testing::TestWithParam<Case> {};

TEST_P(Level, RateAndOffset) {
    const Case c = GetParam();
    const auto samples = Fm(c.channelRate, 0.5, c.toneHz, c.deviationHz, c.offsetHz);
    const std::vector<float> audio = Audio(c.channelRate, samples);
    EXPECT_NEAR(static_cast<double>(audio.size()),
                static_cast<double>(samples.size()) * channelizer::AudioRate / c.channelRate, 1);
    const auto [mean, rms] = MeanAndRms(audio);
    // The nominal deviation reads 0.5; the carrier's offset is a constant on the same scale.
    const double perHz = 0.5 / channelizer::NominalDeviationHz;
    EXPECT_NEAR(mean, c.offsetHz * perHz, 0.01);
    EXPECT_NEAR(20 * std::log10(rms * std::sqrt(2.0) / (c.deviationHz * perHz)), 0, 0.3)
        << "rms " << rms;
}

INSTANTIATE_TEST_SUITE_P(Rates, Level,
                         testing::Values(Case{25000, 1200, 2500, 0}, Case{25000, 1800, 2500, 1500},
                                         Case{50000, 1800, 2500, -2000}, Case{40000, 1200, 1500, 0},
                                         Case{12500, 1800, 2000, 0},
                                         Case{400000, 1200, 2500, 2000}),
                         [](const auto& info) {
                             const Case& c = info.param;
                             const int offset = static_cast<int>(c.offsetHz);
                             return "rate" + std::to_string(static_cast<int>(c.channelRate)) +
                                    "_tone" + std::to_string(static_cast<int>(c.toneHz)) +
                                    "_deviation" + std::to_string(static_cast<int>(c.deviationHz)) +
                                    (offset < 0 ? "_below" : "_above") +
                                    std::to_string(std::abs(offset));
                         });

class AudioFilter : public testing::TestWithParam<double> {};

TEST_P(AudioFilter, TakesDownWhatLiesAboveTheVoiceBand) {
    const double rate = GetParam();
    const double inBand = MeanAndRms(Audio(rate, Fm(rate, 0.3, 1800, 1000))).second;
    const double above = MeanAndRms(Audio(rate, Fm(rate, 0.3, 5000, 1000))).second;
    EXPECT_LT(20 * std::log10(above / inBand), -30);
}

INSTANTIATE_TEST_SUITE_P(Rates, AudioFilter, testing::Values(25000.0, 40000.0, 50000.0),
                         [](const auto& info) {
                             return "rate" + std::to_string(static_cast<int>(info.param));
                         });

TEST(FmAudio, ResetForgetsTheLastTransmission) {
    FmAudio fm(25000);
    const auto samples = Fm(25000, 0.1, 1200, 2500, 2000);
    std::vector<float> first, again;
    fm.Demodulate(samples, first);
    fm.Reset();
    fm.Demodulate(samples, again);
    EXPECT_EQ(first, again);
}

} // namespace
