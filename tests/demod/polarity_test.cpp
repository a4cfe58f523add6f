// Polarity: either tone may be "1". Auto follows what decodes, forcing overrides it, and the
// bits held back for the choice are bounded and all come out.
#include "demod_helpers.h"
#include "polarity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

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

// Recordings the sync patterns cannot tell: FEC blocks, alone or first, in either polarity.
struct ModeCase {
    const char* name;
    std::vector<encoder::Sync> syncs; // one block a transmission
    bool invertedAudio;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
    *os << c.name;
}

using encoder::Sync;
const ModeCase ModeCases[] = {
    {"fec_only", {Sync::Fec, Sync::Fec, Sync::Fec, Sync::Fec}, false},
    {"fec_only_inverted", {Sync::Fec, Sync::Fec, Sync::Fec, Sync::Fec}, true},
    {"fec_first", {Sync::Fec, Sync::NoFec, Sync::NoFec, Sync::Fec}, false},
    {"fec_first_inverted", {Sync::Fec, Sync::NoFec, Sync::NoFec, Sync::Fec}, true},
};

std::vector<std::string> BlocksOf(const std::vector<encoder::Sync>& syncs) {
    std::vector<std::string> blocks;
    for (std::size_t i = 0; i < syncs.size(); ++i)
        blocks.push_back(Blocks(i + 1, syncs[i]).back());
    return blocks;
}

class PolarityByContent : public ::testing::TestWithParam<ModeCase> {};

TEST_P(PolarityByContent, EveryTransmissionIsReadRight) {
    const ModeCase& c = GetParam();
    const Recorded r = Record(BlocksOf(c.syncs), c.invertedAudio);
    const Heard heard = Demodulate(r.audio, 48000);
    ASSERT_EQ(heard.transmissions.size(), c.syncs.size()) << Describe(heard);
    for (const demod::TransmissionInfo& t : heard.transmissions) {
        EXPECT_EQ(t.inverted, c.invertedAudio);
        EXPECT_FALSE(t.polarityGuessed);
    }
    EXPECT_EQ(Records(heard.bits), Records(r.sent));
}

INSTANTIATE_TEST_SUITE_P(Polarity, PolarityByContent, ::testing::ValuesIn(ModeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A call whose header codeword fails its check: its fields tell nothing.
std::string Undecidable() {
    return encoder::Corrupt(encoder::CallBlock({}), 40);
}

TEST(PolarityAuto, WhereNothingDecidesTheStandardMappingIsTakenAndSaidSo) {
    for (const bool invertedAudio : {false, true}) {
        const Recorded r = Record({Undecidable(), Undecidable()}, invertedAudio);
        const Heard heard = Demodulate(r.audio, 48000);
        ASSERT_EQ(heard.transmissions.size(), 2U) << Describe(heard);
        for (const demod::TransmissionInfo& t : heard.transmissions) {
            EXPECT_FALSE(t.inverted) << invertedAudio;
            EXPECT_TRUE(t.polarityGuessed) << invertedAudio;
        }
    }
}

TEST(PolarityAuto, WhereNothingDecidesTheTransmissionsBeforeDo) {
    const Recorded r = Record({Blocks(1)[0], Undecidable()}, true);
    const Heard heard = Demodulate(r.audio, 48000);
    ASSERT_EQ(heard.transmissions.size(), 2U) << Describe(heard);
    EXPECT_TRUE(heard.transmissions[1].inverted);
    EXPECT_FALSE(heard.transmissions[1].polarityGuessed);
}

TEST(PolarityAuto, NoiseWithoutAPatternIsNotAGuess) {
    demod::PolarityChoice choice(demod::Polarity::Auto, modETSI300230::SignallingScore);
    std::string out;
    for (const char c : std::string(300, '1') + "0110" + std::string(300, '0'))
        choice.Push(c == '1', out);
    choice.End(out);
    EXPECT_FALSE(choice.guessed());
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
    // Without a score each NO FEC pattern weighs one.
    for (int i = 0; i < static_cast<int>(demod::PolarityChoice::SettledLead); ++i) {
        EXPECT_EQ(Push(choice, encoder::CallBlock({})), "") << i;
        choice.End(out);
    }
    EXPECT_EQ(Push(choice, "1100"), "1100");
}

// A transmission whose Normal reading scores `normal` and whose Inverted one scores
// `inverted`: that many "1" and "0" tones, with the score counting the "1" characters.
struct Weighed {
    int normal;
    int inverted;
};

double Ones(std::string_view bits) {
    return static_cast<double>(std::count(bits.begin(), bits.end(), '1'));
}

struct ReceiverCase {
    const char* name;
    std::vector<Weighed> transmissions;
    std::string read; // "N" or "I" for each, as read as it ended
};

void PrintTo(const ReceiverCase& c, std::ostream* os) {
    *os << c.name;
}

const ReceiverCase ReceiverCases[] = {
    // The first call has nothing but itself.
    {"a_first_call_stands_alone", {{1, 2}, {2, 0}, {2, 0}}, "INN"},
    // Each call that agreed before outweighs one that reads better the other way round.
    {"one_contrary_call_does_not_turn", {{2, 0}, {1, 2}, {2, 0}, {1, 2}}, "NNNN"},
    {"inverted_receiver_holds_too", {{0, 2}, {0, 2}, {2, 1}}, "III"},
    // Even evidence: the call's own weight, then the standard mapping.
    {"an_even_lead_leaves_it_to_the_call", {{2, 0}, {0, 2}, {3, 0}}, "NIN"},
    {"no_weight_at_all_is_normal", {{1, 1}, {0, 0}}, "NN"},
    // The receiver leads on weight, not on a count of calls.
    {"weight_not_count", {{12, 0}, {1, 2}, {1, 2}, {1, 2}}, "NNNN"},
};

class ReceiverRule : public ::testing::TestWithParam<ReceiverCase> {};

TEST_P(ReceiverRule, EachTransmissionIsReadByTheWeightHeardSoFar) {
    demod::PolarityChoice choice(demod::Polarity::Auto, Ones);
    std::string read;
    for (const Weighed& t : GetParam().transmissions) {
        Push(choice, std::string(static_cast<std::size_t>(t.normal), '1') +
                         std::string(static_cast<std::size_t>(t.inverted), '0'));
        std::string out;
        choice.End(out);
        read += choice.inverted() ? 'I' : 'N';
        EXPECT_EQ(choice.TakeEvidence().normalLead, t.normal - t.inverted);
    }
    EXPECT_EQ(read, GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(Polarity, ReceiverRule, ::testing::ValuesIn(ReceiverCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
