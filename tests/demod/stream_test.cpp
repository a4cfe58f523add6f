// A recording as a stream: many transmissions between silence or voice, any piece size,
// nothing out of noise, timing and level of every transmission, input that is not audio.
#include "demod_helpers.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <limits>
#include <stdexcept>

using namespace demod_helpers;

namespace {

struct Timed {
    double start, end;
};

struct Made {
    std::string sent;
    std::vector<Timed> times;
    std::vector<float> audio;
};

Made TwentyTransmissions(bool voice, double ebN0Db = 14) {
    modulator::Recording recording;
    recording.ebN0Db = ebN0Db;
    recording.seed = 9;
    modulator::Modulator modulator(recording);
    modulator::Impairments impairments;
    impairments.levelDbfs = -20;
    Made made;
    for (const std::string& block : Blocks(20)) {
        if (voice)
            modulator.Voice(0.5, -20);
        else
            modulator.Silence(0.3);
        const std::string t = Preamble() + block + Preamble(8);
        const double start = modulator.seconds();
        modulator.Transmission(t, impairments);
        made.times.push_back({start, modulator.seconds()});
        made.sent += t;
    }
    modulator.Silence(0.3);
    made.audio = modulator.Finish();
    return made;
}

class Twenty : public ::testing::TestWithParam<bool> {};

TEST_P(Twenty, EveryTransmissionIsHeardOnceWithItsTimeAndLevel) {
    const Made made = TwentyTransmissions(GetParam());
    const Heard heard = Demodulate(made.audio, 48000);
    ASSERT_EQ(heard.transmissions.size(), 20U) << Describe(heard);
    EXPECT_EQ(Records(heard.bits), Records(made.sent));
    for (std::size_t i = 0; i < 20; ++i) {
        const demod::TransmissionInfo& t = heard.transmissions[i];
        // A few preamble bits go to the carrier detector; a few noise bits may follow.
        EXPECT_GE(t.startSeconds, made.times[i].start - 0.010) << i;
        EXPECT_LE(t.startSeconds, made.times[i].start + 0.030) << i;
        EXPECT_NEAR(t.endSeconds, made.times[i].end, 0.030) << i;
        EXPECT_EQ(t.bitCount, heard.perTransmission[i].size());
        // A sine of peak -20 dBFS has an RMS level of -23 dBFS.
        EXPECT_NEAR(t.levelDbfs, -23, 1.5) << i;
        EXPECT_NEAR(t.ebN0Db, 14, 3) << i;
        EXPECT_FALSE(t.inverted);
    }
}

INSTANTIATE_TEST_SUITE_P(Between, Twenty, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "voice" : "silence"; });

TEST(Streaming, PiecesOfOneSampleGiveWhatOnePieceGives) {
    const Made made = TwentyTransmissions(true, 12);
    const std::vector<float> audio(made.audio.begin(), made.audio.begin() + 48000 * 4);
    const Heard whole = Demodulate(audio, 48000, demod::Polarity::Auto, audio.size());
    const Heard single = Demodulate(audio, 48000, demod::Polarity::Auto, 1);
    const Heard odd = Demodulate(audio, 48000, demod::Polarity::Auto, 4097);
    ASSERT_FALSE(whole.transmissions.empty());
    EXPECT_EQ(single.perTransmission, whole.perTransmission);
    EXPECT_EQ(odd.perTransmission, whole.perTransmission);
    ASSERT_EQ(single.transmissions.size(), whole.transmissions.size());
    for (std::size_t i = 0; i < whole.transmissions.size(); ++i) {
        EXPECT_EQ(single.transmissions[i].startSeconds, whole.transmissions[i].startSeconds);
        EXPECT_EQ(single.transmissions[i].endSeconds, whole.transmissions[i].endSeconds);
    }
}

TEST(Streaming, FinishFlushesATransmissionCutShort) {
    const std::string bits = Preamble() + Blocks(3)[2];
    modulator::Recording recording;
    modulator::Modulator modulator(recording);
    modulator.Silence(0.2);
    const double start = modulator.seconds();
    modulator.Transmission(bits);
    std::vector<float> audio = modulator.Finish();
    audio.resize(static_cast<std::size_t>((start + 0.2) * 48000)); // 240 of its bits
    const Heard heard = Demodulate(audio, 48000);
    ASSERT_EQ(heard.transmissions.size(), 1U);
    EXPECT_GT(heard.bits.size(), 200U);
    EXPECT_NE(heard.bits.find(modETSI300230::SyncNoFec), std::string::npos);
}

struct Quiet {
    const char* name;
    double seconds;
    bool voice;
    double noiseDbfs; // white noise RMS level, or none
};

const Quiet QuietCases[] = {
    {"digital_silence", 20, false, -200}, {"white_noise", 60, false, -20},
    {"loud_white_noise", 60, false, -6},  {"voice", 60, true, -200},
    {"voice_in_noise", 60, true, -35},
};

void PrintTo(const Quiet& q, std::ostream* os) {
    *os << q.name;
}

class NothingHeard : public ::testing::TestWithParam<Quiet> {};

TEST_P(NothingHeard, InNoTransmission) {
    const Quiet& q = GetParam();
    modulator::Recording recording;
    recording.seed = 17;
    // The noise level is set against a transmission; a one-bit one at a level that gives the
    // wanted noise at Eb/N0 = 0 dB: noise power = P * (rate / 2) / 1200 = 20 P.
    const bool noisy = q.noiseDbfs > -100;
    if (noisy)
        recording.ebN0Db = 0;
    modulator::Modulator modulator(recording);
    if (noisy) {
        modulator::Impairments reference;
        reference.levelDbfs = q.noiseDbfs - 10 * std::log10(20.0) + 3;
        modulator.Transmission("0", reference);
    }
    for (double t = 0; t < q.seconds; t += 1) {
        if (q.voice)
            modulator.Voice(1, -12);
        else
            modulator.Silence(1);
    }
    const Heard heard = Demodulate(modulator.Finish(), 48000);
    EXPECT_EQ(heard.bits, "") << Describe(heard);
    EXPECT_TRUE(heard.transmissions.empty());
}

INSTANTIATE_TEST_SUITE_P(Quiet, NothingHeard, ::testing::ValuesIn(QuietCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BadInput, SampleRatesOutsideTheRangeAreRefused) {
    for (const double rate :
         {0.0, 7999.0, 192001.0, -48000.0, std::numeric_limits<double>::quiet_NaN(),
          std::numeric_limits<double>::infinity()})
        EXPECT_THROW(demod::Demodulator{rate}, std::invalid_argument) << rate;
    EXPECT_NO_THROW(demod::Demodulator{8000.0});
    EXPECT_NO_THROW(demod::Demodulator{192000.0});
}

TEST(BadInput, NonFiniteAndHugeSamplesDoNotDisturbWhatFollows) {
    modulator::Recording recording;
    modulator::Modulator modulator(recording);
    const std::string bits = Preamble() + Blocks(1)[0] + Preamble(8);
    modulator.Silence(0.3);
    modulator.Transmission(bits);
    modulator.Silence(0.3);
    std::vector<float> audio(4800, std::numeric_limits<float>::quiet_NaN());
    audio.insert(audio.end(), 4800, std::numeric_limits<float>::infinity());
    audio.insert(audio.end(), 4800, 3e38f);
    audio.insert(audio.end(), 4800, -3e38f);
    const std::vector<float> good = modulator.Finish();
    audio.insert(audio.end(), good.begin(), good.end());
    const Heard heard = Demodulate(audio, 48000);
    EXPECT_EQ(Records(heard.bits), Records(bits));
}

} // namespace
