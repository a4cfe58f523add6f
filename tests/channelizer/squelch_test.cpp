// The squelch on block powers: when it opens and closes, and how its floor moves.
#include "squelch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using channelizer::Squelch;
using channelizer::SquelchStep;

char Letter(SquelchStep step) {
    switch (step) {
    case SquelchStep::Closed:
        return '.';
    case SquelchStep::Opening:
        return 'O';
    case SquelchStep::Open:
        return 'o';
    case SquelchStep::Closing:
        return 'C';
    }
    return '?';
}

// Steps of a squelch (10 ms blocks, default settings) over block powers in dB, one letter
// each: '.' closed, 'O' opening, 'o' open, 'C' closing.
std::string Steps(const std::vector<double>& powers, double startBandFloor = 100) {
    Squelch squelch({}, 0.01);
    squelch.Start(powers.front(), startBandFloor);
    std::string steps;
    for (const double p : powers)
        steps += Letter(squelch.Step(p));
    return steps;
}

std::vector<double> Run(std::initializer_list<std::pair<int, double>> stretches) {
    std::vector<double> powers;
    for (const auto& [blocks, db] : stretches)
        powers.insert(powers.end(), static_cast<std::size_t>(blocks), db);
    return powers;
}

struct Case {
    const char* name;
    std::vector<double> powers;
    std::string steps;
    double bandFloor = 100;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class StepsOf : public testing::TestWithParam<Case> {};

TEST_P(StepsOf, AsExpected) {
    EXPECT_EQ(Steps(GetParam().powers, GetParam().bandFloor), GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(
    Powers, StepsOf,
    testing::Values(
        // Opens on the first block 5 dB up; closes once 10 blocks (the hold) stayed under 2.5 dB.
        Case{"carrier", Run({{3, -50}, {4, -40}, {12, -50}}),
             "...O" + std::string(12, 'o') + "C.."},
        Case{"just_under_open", Run({{3, -50}, {4, -45.1}, {3, -50}}), ".........."},
        // Between the close and the open level an open channel stays open.
        Case{"hysteresis", Run({{2, -50}, {2, -40}, {20, -47}}), "..Oo" + std::string(20, 'o')},
        // A dip shorter than the hold does not cut the transmission.
        Case{"dip", Run({{2, -50}, {3, -40}, {9, -50}, {3, -40}}), "..Ooo" + std::string(12, 'o')},
        // A carrier on from the first block opens when the band's floor is lower.
        Case{"on_from_start", Run({{5, -40}}), "Ooooo", -50},
        Case{"on_from_start_alone", Run({{5, -40}}), "....."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SquelchFloor, FollowsDownAtOnceAndUpSlowly) {
    Squelch squelch({}, 0.01);
    squelch.Start(-50, -50);
    squelch.Step(-60);
    EXPECT_DOUBLE_EQ(squelch.floorDb(), -60);
    // 3 dB a second: a noise floor 4 dB higher (under the open level) is taken in 1.33 s
    // without opening.
    for (int block = 0; block < 200; ++block)
        EXPECT_EQ(squelch.Step(-56), SquelchStep::Closed) << block;
    EXPECT_DOUBLE_EQ(squelch.floorDb(), -56);
}

TEST(SquelchFloor, StaysWhileOpenUnlessTheBandMoves) {
    Squelch squelch({}, 0.01);
    squelch.Start(-50, -50);
    squelch.Step(-30);
    // A carrier that stays on keeps its channel open: the floor does not climb to it.
    for (int block = 0; block < 6000; ++block)
        ASSERT_NE(squelch.Step(-30), SquelchStep::Closing) << block;
    EXPECT_NEAR(squelch.floorDb(), -49.97, 1e-9);
    // The whole band 25 dB louder (a gain change): the floor moves with it and the channel
    // closes after the hold.
    std::string steps;
    steps += Letter(squelch.Step(-30, 25));
    for (int block = 0; block < 10; ++block)
        steps += Letter(squelch.Step(-30));
    EXPECT_EQ(steps, "oooooooooC.");
}

} // namespace
