// Encoder -> modulator -> demodulator -> decoder gives the records of the bit text itself, for
// every impairment a recording may show, each at its limit.
#include "demod_helpers.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <limits>

using namespace demod_helpers;

namespace {

struct Case {
    const char* name;
    double rate = 48000;
    double ebN0Db = 16;
    modulator::Impairments impairments{};
    double dcOffset = 0;
    bool voiceBetween = false;
};

modulator::Impairments With(double lowHz, double highHz, double clock, double drift,
                            double highGainDb, double levelDbfs) {
    modulator::Impairments i;
    i.lowToneOffsetHz = lowHz;
    i.highToneOffsetHz = highHz;
    i.clockOffset = clock;
    i.clockDriftPerSecond = drift;
    i.highToneGainDb = highGainDb;
    i.levelDbfs = levelDbfs;
    return i;
}

const Case Cases[] = {
    {"clean", 48000, std::numeric_limits<double>::infinity()},
    {"noise_12dB", 48000, 12},
    {"clock_plus_2_percent", 48000, 16, With(0, 0, 0.02, 0, 0, -6)},
    {"clock_minus_2_percent", 48000, 16, With(0, 0, -0.02, 0, 0, -6)},
    {"clock_drifting", 48000, 16, With(0, 0, -0.01, 0.02, 0, -6)},
    {"tones_up_30Hz", 48000, 16, With(30, 30, 0, 0, 0, -6)},
    {"tones_down_30Hz", 48000, 16, With(-30, -30, 0, 0, 0, -6)},
    {"shift_540Hz", 48000, 16, With(30, -30, 0, 0, 0, -6)},
    {"shift_660Hz", 48000, 16, With(-30, 30, 0, 0, 0, -6)},
    {"high_tone_6dB_louder", 48000, 16, With(0, 0, 0, 0, 6, -6)},
    {"high_tone_6dB_softer", 48000, 16, With(0, 0, 0, 0, -6, -6)},
    {"level_minus_50dBFS", 48000, 16, With(0, 0, 0, 0, 0, -50)},
    {"clipped", 48000, 16, With(0, 0, 0, 0, 0, 6)},
    {"dc_offset", 48000, 16, With(0, 0, 0, 0, 0, -12), 0.3},
    {"voice_between", 48000, 16, With(0, 0, 0, 0, 0, -6), 0, true},
    {"rate_8000", 8000, 16},
    {"rate_11025", 11025, 16},
    {"rate_44100", 44100, 16},
    {"rate_96000", 96000, 16},
    {"rate_192000", 192000, 16},
    {"everything_at_once", 44100, 14, With(30, -30, -0.02, 0.01, -6, 6), 0.2, true},
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class RoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(RoundTrip, DecodesToTheRecordsOfTheBitText) {
    const Case& c = GetParam();
    modulator::Recording recording;
    recording.sampleRate = c.rate;
    recording.ebN0Db = c.ebN0Db;
    recording.dcOffset = c.dcOffset;
    recording.seed = 21;
    modulator::Modulator modulator(recording);
    std::string sent;
    const std::vector<std::string> blocks = Blocks(6);
    for (const std::string& block : blocks) {
        if (c.voiceBetween)
            modulator.Voice(0.4, c.impairments.levelDbfs - 6);
        else
            modulator.Silence(0.25);
        const std::string transmission = Preamble() + block + Preamble(8);
        modulator.Transmission(transmission, c.impairments);
        sent += transmission;
    }
    modulator.Silence(0.25);
    const Heard heard = Demodulate(modulator.Finish(), c.rate);

    const auto expected = Records(sent);
    ASSERT_EQ(expected.size(), blocks.size());
    EXPECT_EQ(Records(heard.bits), expected);
    EXPECT_EQ(heard.transmissions.size(), blocks.size()) << Describe(heard);
}

INSTANTIATE_TEST_SUITE_P(Impairments, RoundTrip, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
