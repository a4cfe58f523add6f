// Polarity: either tone may be "1". Auto follows the sync patterns, forcing overrides it, and
// the bits held back for the choice are bounded and all come out.
#include "demod_helpers.h"
#include "polarity.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace demod_helpers;

namespace {

struct Recorded {
    std::string sent;
    std::vector<float> audio;
};

Recorded Record(const std::vector<std::string>& blocks, bool inverted) {
    modulator::Recording recording;
    recording.ebN0Db = 16;
    recording.seed = 5;
    modulator::Modulator modulator(recording);
    modulator::Impairments impairments;
    impairments.inverted = inverted;
    Recorded r;
    for (const std::string& block : blocks) {
        modulator.Silence(0.2);
        const std::string t = Preamble() + block + Preamble(8);
        modulator.Transmission(t, impairments);
        r.sent += t;
    }
    modulator.Silence(0.2);
    r.audio = modulator.Finish();
    return r;
}

struct Case {
    const char* name;
    bool invertedAudio;
    demod::Polarity polarity;
    bool readRight;    // the records are those of the bit text
    bool infoInverted; // what every transmission reports
};

const Case Cases[] = {
    {"normal_auto", false, demod::Polarity::Auto, true, false},
    {"inverted_auto", true, demod::Polarity::Auto, true, true},
    {"normal_forced_normal", false, demod::Polarity::Normal, true, false},
    {"inverted_forced_inverted", true, demod::Polarity::Inverted, true, true},
    {"inverted_forced_normal", true, demod::Polarity::Normal, false, false},
    {"normal_forced_inverted", false, demod::Polarity::Inverted, false, true},
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class PolarityCases : public ::testing::TestWithParam<Case> {};

TEST_P(PolarityCases, ReadsAsChosen) {
    const Case& c = GetParam();
    const Recorded r = Record(Blocks(4), c.invertedAudio);
    const Heard heard = Demodulate(r.audio, 48000, c.polarity);
    ASSERT_EQ(heard.transmissions.size(), 4U) << Describe(heard);
    for (const demod::TransmissionInfo& t : heard.transmissions)
        EXPECT_EQ(t.inverted, c.infoInverted);
    if (c.readRight) {
        EXPECT_EQ(Records(heard.bits), Records(r.sent));
    } else {
        // Read the wrong way round, every NO FEC block shows as an FEC one.
        EXPECT_EQ(heard.bits.find(modETSI300230::SyncNoFec), std::string::npos);
        EXPECT_NE(heard.bits.find(modETSI300230::SyncFec), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Polarity, PolarityCases, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PolarityAuto, ARecordingOpeningWithAnFecBlockIsReadRightFromTheNextBlockOn) {
    std::vector<std::string> blocks = Blocks(1, encoder::Sync::Fec);
    for (const std::string& b : Blocks(4))
        blocks.push_back(b);
    const Recorded r = Record(blocks, false);
    const Heard heard = Demodulate(r.audio, 48000);
    ASSERT_EQ(heard.transmissions.size(), blocks.size()) << Describe(heard);
    // The first transmission alone cannot tell: its single FEC pattern counts for Inverted.
    EXPECT_TRUE(heard.transmissions[0].inverted);
    std::string rest;
    for (std::size_t i = 1; i < blocks.size(); ++i) {
        EXPECT_FALSE(heard.transmissions[i].inverted) << i;
        rest += heard.perTransmission[i];
    }
    std::string sentRest;
    for (std::size_t i = 1; i < blocks.size(); ++i)
        sentRest += blocks[i];
    EXPECT_EQ(Records(rest), Records(sentRest));
}

std::string Push(demod::PolarityChoice& choice, std::string_view lowTones) {
    std::string out;
    for (const char c : lowTones)
        choice.Push(c == '1', out);
    return out;
}

TEST(PolarityChoice, HoldsATransmissionBackUntilItEnds) {
    demod::PolarityChoice choice(demod::Polarity::Auto);
    const std::string bits = Preamble() + encoder::CallBlock({});
    EXPECT_EQ(Push(choice, bits), "");
    std::string out;
    choice.End(out);
    EXPECT_EQ(out, bits);
    EXPECT_FALSE(choice.inverted());
}

TEST(PolarityChoice, InvertsWhenTheFecPatternsOutnumber) {
    demod::PolarityChoice choice(demod::Polarity::Auto);
    std::string complement = Preamble() + encoder::CallBlock({});
    for (char& c : complement)
        c = c == '1' ? '0' : '1';
    Push(choice, complement);
    std::string out;
    choice.End(out);
    EXPECT_TRUE(choice.inverted());
    EXPECT_EQ(out.substr(40), encoder::CallBlock({}));
}

TEST(PolarityChoice, HoldsNoMoreThanItsLimit) {
    demod::PolarityChoice choice(demod::Polarity::Auto);
    const std::string noise(demod::PolarityChoice::HoldLimit + 10, '1');
    const std::string out = Push(choice, noise);
    EXPECT_EQ(out.size(), demod::PolarityChoice::HoldLimit);
    std::string rest;
    choice.End(rest);
    EXPECT_EQ(out.size() + rest.size(), noise.size());
}

TEST(PolarityChoice, StopsHoldingBackOnceSettled) {
    demod::PolarityChoice choice(demod::Polarity::Auto);
    std::string out;
    for (long i = 0; i < demod::PolarityChoice::SettledLead; ++i) {
        Push(choice, encoder::CallBlock({}));
        choice.End(out);
    }
    EXPECT_EQ(Push(choice, "1100"), "1100");
}

TEST(PolarityChoice, ForcedPolarityPassesBitsStraightThrough) {
    demod::PolarityChoice inverted(demod::Polarity::Inverted);
    EXPECT_EQ(Push(inverted, "1100"), "0011");
    demod::PolarityChoice normal(demod::Polarity::Normal);
    EXPECT_EQ(Push(normal, "1100"), "1100");
}

} // namespace
