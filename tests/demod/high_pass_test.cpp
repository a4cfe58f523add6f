// The high-pass before detection: sub-audible tones and hum are taken out, the data tones are
// left alone, and a call under a squelch tone and mains hum louder than itself still decodes.
#include "demod_helpers.h"
#include "high_pass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>

using namespace demod_helpers;

namespace {

// Gain in dB for a sine of `hz` at `rate`, measured over the second half of two seconds (the
// filter has settled by then).
double GainDb(double hz, double rate) {
    demod::HighPass filter(rate);
    const auto n = static_cast<std::size_t>(2 * rate);
    std::vector<float> x(n);
    for (std::size_t i = 0; i < n; ++i)
        x[i] =
            static_cast<float>(std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate));
    const std::vector<float> in = x;
    for (std::size_t at = 0; at < n; at += 4096)
        filter.Process(std::span<float>(x).subspan(at, std::min<std::size_t>(4096, n - at)));
    double inPower = 0, outPower = 0;
    for (std::size_t i = n / 2; i < n; ++i) {
        inPower += static_cast<double>(in[i]) * in[i];
        outPower += static_cast<double>(x[i]) * x[i];
    }
    return 10 * std::log10(std::max(outPower, 1e-300) / inPower);
}

struct Response {
    double hz;
    double atMostDb; // the gain lies between these
    double atLeastDb;
};

// Hum and the lowest squelch tones are gone, the highest (254.1 Hz) is well down, the data
// tones (with a 60 Hz offset either way) pass untouched.
const Response Responses[] = {
    {50, -60, -400},     {60, -55, -400},     {88.5, -40, -400},   {254.1, -10, -400},
    {1140, 0.05, -0.05}, {1200, 0.05, -0.05}, {1800, 0.05, -0.05}, {1860, 0.05, -0.05},
};

TEST(HighPass, ResponseAtEveryRate) {
    for (const double rate : {8000.0, 48000.0, 192000.0})
        for (const Response& r : Responses) {
            const double gain = GainDb(r.hz, rate);
            EXPECT_LE(gain, r.atMostDb) << r.hz << " Hz at " << rate;
            EXPECT_GE(gain, r.atLeastDb) << r.hz << " Hz at " << rate;
        }
}

TEST(HighPass, TakesOutDcAndDecaysToZeroInSilence) {
    demod::HighPass filter(48000);
    std::vector<float> x(48000, 0.3f);
    filter.Process(x);
    EXPECT_LT(std::abs(x.back()), 1e-4);
    std::vector<float> silence(480000, 0.0f);
    filter.Process(silence);
    EXPECT_EQ(silence.back(), 0.0f);
}

struct ToneCase {
    const char* name;
    std::vector<modulator::Tone> tones;
};

void PrintTo(const ToneCase& c, std::ostream* os) {
    *os << c.name;
}

// The data tones' peak level; every tone below lies 6 dB above it.
constexpr double DataDbfs = -18;
constexpr double Above = DataDbfs + 6;

const ToneCase ToneCases[] = {
    {"ctcss_88_5Hz", {{88.5, Above}}},
    {"hum_50Hz", {{50, Above}}},
    {"hum_60Hz", {{60, Above}}},
    {"ctcss_254_1Hz", {{254.1, Above}}},
    {"ctcss_88_5Hz_and_hum_50Hz", {{88.5, Above}, {50, Above}}},
};

class TonesAndHum : public ::testing::TestWithParam<ToneCase> {};

TEST_P(TonesAndHum, BlocksStillDecode) {
    modulator::Recording recording;
    recording.ebN0Db = 12;
    recording.seed = 33;
    recording.tones = GetParam().tones;
    modulator::Modulator modulator(recording);
    modulator::Impairments impairments;
    impairments.levelDbfs = DataDbfs;
    std::string sent;
    const std::vector<std::string> blocks = Blocks(6);
    for (const std::string& block : blocks) {
        modulator.Silence(0.25);
        const std::string transmission = Preamble() + block + Preamble(8);
        modulator.Transmission(transmission, impairments);
        sent += transmission;
    }
    modulator.Silence(0.25);
    const Heard heard = Demodulate(modulator.Finish(), 48000);
    EXPECT_EQ(Records(heard.bits), Records(sent));
    EXPECT_EQ(heard.transmissions.size(), blocks.size()) << Describe(heard);
}

INSTANTIATE_TEST_SUITE_P(HighPass, TonesAndHum, ::testing::ValuesIn(ToneCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
