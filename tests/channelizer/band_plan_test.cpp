// Which channels a capture's plan watches and where they lie; what it refuses.
#include "band_plan.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using channelizer::BandPlan;
using channelizer::BandPlanError;

TEST(BandPlan, WholeBandIsTheRasterInsideTheUsableShare) {
    const BandPlan plan({169.4e6, 2.4e6, 0}, {});
    // 90 % of 2.4 MHz, less half a channel each side: 85 channels each side of the centre.
    ASSERT_EQ(plan.channels().size(), 171U);
    EXPECT_DOUBLE_EQ(plan.channels().front().hz, 169.4e6 - 85 * 12500);
    EXPECT_DOUBLE_EQ(plan.channels().back().hz, 169.4e6 + 85 * 12500);
    EXPECT_TRUE(plan.onRaster());
    for (const channelizer::Channel& c : plan.channels())
        EXPECT_NEAR(plan.offsetCycles(c.index), (c.hz - 169.4e6) / 2.4e6, 1e-12);
}

TEST(BandPlan, WholeBandKeepsToTheRasterWhateverTheCentre) {
    const BandPlan plan({169.403e6, 2.048e6, 0}, {{}, 25000});
    for (const channelizer::Channel& c : plan.channels()) {
        EXPECT_DOUBLE_EQ(std::fmod(c.hz, 25000), 0) << c.hz;
        EXPECT_LE(std::abs(c.hz - 169.403e6) + 12500, 0.45 * 2.048e6) << c.hz;
    }
    EXPECT_EQ(plan.channels().size(), 73U);
}

TEST(BandPlan, PpmMovesTheCentreAndTheClock) {
    // A receiver 50 ppm high sees 169.4 MHz where it believes 169.4 MHz * (1 + 50e-6) is.
    const BandPlan plan({169.4e6, 2.4e6, 50}, {{169.4e6, 169.5e6}, 12500});
    const double centre = 169.4e6 * (1 + 50e-6);
    const double rate = 2.4e6 * (1 + 50e-6);
    EXPECT_NEAR(plan.offsetCycles(0), (169.4e6 - centre) / rate, 1e-12);
    EXPECT_NEAR(plan.offsetCycles(1), (169.5e6 - centre) / rate, 1e-12);
}

TEST(BandPlan, ListOnOrOffTheRaster) {
    EXPECT_TRUE(BandPlan({169.4e6, 2.4e6, 0}, {{169.3e6, 169.4125e6, 169.6e6}, 12500}).onRaster());
    EXPECT_FALSE(BandPlan({169.4e6, 2.4e6, 0}, {{169.3e6, 169.4145e6}, 12500}).onRaster());
}

struct Bad {
    const char* name;
    channelizer::Capture capture;
    channelizer::ChannelChoice choice;
    const char* says;
};

void PrintTo(const Bad& b, std::ostream* os) {
    *os << b.name;
}

class Refuses : public testing::TestWithParam<Bad> {};

TEST_P(Refuses, InOneLine) {
    try {
        BandPlan plan(GetParam().capture, GetParam().choice);
        FAIL() << "made a plan of " << plan.channels().size() << " channels";
    } catch (const BandPlanError& error) {
        const std::string what = error.what();
        EXPECT_EQ(what.find('\n'), std::string::npos) << what;
        EXPECT_NE(what.find(GetParam().says), std::string::npos) << what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Plans, Refuses,
    testing::Values(
        Bad{"outside_above",
            {169.4e6, 2.4e6, 0},
            {{169.4e6, 170.6e6}, 12500},
            "the channel 170.6M lies outside the captured band 168.2M to 170.6M"},
        Bad{"outside_below", {169.4e6, 2.4e6, 0}, {{168.2e6}, 12500}, "168.2M lies outside"},
        Bad{"twice",
            {169.4e6, 2.4e6, 0},
            {{169.4e6, 169.5e6, 169.4e6}, 12500},
            "169.4M is given twice"},
        Bad{"no_rate", {169.4e6, 0, 0}, {}, "sample rate is missing"},
        Bad{"no_centre", {0, 2.4e6, 0}, {}, "centre frequency is missing"},
        Bad{"rate_too_low", {169.4e6, 20000, 0}, {}, "too low for channels of 12.5k"},
        Bad{"spacing", {169.4e6, 2.4e6, 0}, {{}, 1000}, "spacing of 1k is outside"},
        Bad{"ppm", {169.4e6, 2.4e6, 5000}, {}, "beyond +-1000"},
        Bad{"rate_too_high", {169.4e6, 1e9, 0}, {}, "beyond 100M"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
