// The content score the automatic polarity compares: a block read the right way round scores
// above its complement, whichever sync pattern it carries, by each kind of evidence; where no
// codeword passes, neither reading does.
#include "encoder.h"
#include "modETSI300230.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace modETSI300230;
using encoder::Header;
using encoder::Sync;

namespace {

std::string Complement(std::string bits) {
    for (char& c : bits)
        c = c == '1' ? '0' : '1';
    return bits;
}

// A short data block whose header codeword fails: only the data codewords can tell.
std::string DataBehindAFailedHeader(std::string_view text) {
    const Header header{encoder::ShortData, 10, 1, 0x234, 0x567};
    std::vector<std::string> words{encoder::Corrupt(encoder::HeaderCodeword(header), 20)};
    for (std::string& w : encoder::ShortDataCodewords(text))
        words.push_back(std::move(w));
    return encoder::Block(Sync::NoFec, words);
}

struct Case {
    const char* name;
    std::string bits;
    bool rightWins; // false: both readings score the same
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const Header Call{encoder::NormalCall, 10, 1, 0x234, 0x567};
// A status code (43 inverted is 20, both named): only the country tells.
const Header Status{43, 9, 1, 0x234, 0x567};
const Header AllCall{encoder::ExternalAddressing, 3, 1, 0x234, encoder::AllCallTo};

const Case Cases[] = {
    {"call_no_fec", encoder::CallBlock(Call), true},
    {"call_fec", encoder::CallBlock(Call, Sync::Fec), true},
    {"status_fec", encoder::CallBlock(Status, Sync::Fec), true},
    {"extended_fec", encoder::ExtendedBlock(AllCall, Call, Sync::Fec), true},
    {"short_data_fec", encoder::ShortDataBlock(Call, "UNIT 7", Sync::Fec), true},
    {"printable_data_alone", DataBehindAFailedHeader("ETA 15 MIN"), true},
    {"failed_header", encoder::Corrupt(encoder::CallBlock(Call), 40), false},
    {"no_pattern", std::string(500, '1') + "0110" + std::string(300, '0'), false},
    {"empty", "", false},
};

class ScoreCases : public ::testing::TestWithParam<Case> {};

TEST_P(ScoreCases, TheRightReadingScoresHigher) {
    const Case& c = GetParam();
    const double right = SignallingScore(c.bits);
    const double wrong = SignallingScore(Complement(c.bits));
    if (c.rightWins)
        EXPECT_GT(right, wrong);
    else
        EXPECT_EQ(right, wrong);
}

INSTANTIATE_TEST_SUITE_P(Readings, ScoreCases, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SignallingScore, AGpsChecksumThatHoldsCounts) {
    const std::string good = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
    std::string bad = good;
    bad.back() = 'B';
    EXPECT_GT(SignallingScore(DataBehindAFailedHeader(good)),
              SignallingScore(DataBehindAFailedHeader(bad)));
}

TEST(SignallingScore, LeavesTheBlockLogAsItWas) {
    BlockLog = "a block being decoded";
    SignallingScore(encoder::ShortDataBlock(Call, "UNIT 7"));
    EXPECT_EQ(BlockLog, "a block being decoded");
}

} // namespace
