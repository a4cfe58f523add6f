// Both channelisers cut the same channel: a tone within 4 kHz of the channel's centre passes
// flat, a tone from 7.5 kHz on (where the next channel's signal starts) is gone, whatever the
// capture's rate, centre and frequency error. A channel sought on the wrong side of the centre, or
// at the wrong bin, sees nothing of its tone.
#include "channel_bank.h"
#include "channel_mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <variant>

namespace {

using channelizer::BandPlan;
using channelizer::Complex;

// The power (dB) each channel of `plan` holds of each tone of `tonesHz` (true frequencies),
// fed one after the other to one channeliser, 10 ms each; the first fifth of each tone's
// frames (the filters filling) left out.
std::vector<std::vector<double>> ChannelPowers(const BandPlan& plan, bool bank,
                                               const std::vector<double>& tonesHz) {
    const channelizer::Capture& capture = plan.capture();
    const double correction = 1 + capture.ppm * 1e-6;
    std::vector<std::vector<Complex>> frames;
    const channelizer::FrameSink sink = [&](std::span<const Complex> frame) {
        frames.emplace_back(frame.begin(), frame.end());
    };
    std::vector<std::size_t> starts;
    auto feed = [&](auto& channeliser) {
        std::vector<Complex> tone(static_cast<std::size_t>(capture.sampleRate * 0.01));
        for (const double hz : tonesHz) {
            const double cycles =
                (hz - capture.centreHz * correction) / (capture.sampleRate * correction);
            for (std::size_t i = 0; i < tone.size(); ++i)
                tone[i] = std::polar(1.0, 2 * std::numbers::pi *
                                              std::fmod(cycles * static_cast<double>(i), 1.0));
            starts.push_back(frames.size());
            // In uneven pieces: the channelisers carry what a piece leaves over.
            for (std::size_t at = 0; at < tone.size(); at += 1001)
                channeliser.Feed(
                    std::span(tone).subspan(at, std::min<std::size_t>(1001, tone.size() - at)),
                    sink);
        }
        starts.push_back(frames.size());
    };
    if (bank) {
        channelizer::ChannelBank cutter(plan);
        feed(cutter);
    } else {
        channelizer::ChannelMixer cutter(plan);
        feed(cutter);
    }
    std::vector<std::vector<double>> powers;
    for (std::size_t t = 0; t < tonesHz.size(); ++t) {
        const std::size_t from = starts[t] + (starts[t + 1] - starts[t]) / 5;
        std::vector<double>& p = powers.emplace_back(plan.channels().size());
        for (std::size_t c = 0; c < p.size(); ++c) {
            double sum = 0;
            for (std::size_t f = from; f < starts[t + 1]; ++f)
                sum += std::norm(frames[f][c]);
            p[c] = 10 * std::log10(sum / static_cast<double>(starts[t + 1] - from) + 1e-30);
        }
    }
    return powers;
}

struct Case {
    const char* name;
    channelizer::Capture capture;
    std::vector<double> channels; // the first is the one the tone is put near
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Cut : public testing::TestWithParam<std::tuple<Case, bool>> {};

TEST_P(Cut, FlatInTheChannelGoneWhereTheNextBegins) {
    const auto& [c, bank] = GetParam();
    const BandPlan plan(c.capture, {c.channels, 12500});
    const double centre = c.channels.front();
    const std::vector<double> inside = {0, -4000, -2000, 2000, 4000};
    const std::vector<double> outside = {-12500, -7500, 7500, 10500, 25000};
    std::vector<double> tones;
    for (const double off : inside)
        tones.push_back(centre + off);
    for (const double off : outside)
        tones.push_back(centre + off);
    const auto powers = ChannelPowers(plan, bank, tones);
    const std::vector<double>& at = powers[0];
    ASSERT_EQ(at.size(), c.channels.size());
    EXPECT_NEAR(at[0], 0, 0.5) << "the tone on the channel";
    for (std::size_t t = 1; t < inside.size(); ++t)
        EXPECT_NEAR(powers[t][0], at[0], 1.0) << inside[t] << " Hz off";
    for (std::size_t t = 0; t < outside.size(); ++t)
        EXPECT_LT(powers[inside.size() + t][0], at[0] - 55) << outside[t] << " Hz off";
    // The other channels, a spacing or more away, hold nothing of it either.
    for (std::size_t k = 1; k < at.size(); ++k)
        EXPECT_LT(at[k], at[0] - 55) << "channel " << c.channels[k];
}

INSTANTIATE_TEST_SUITE_P(
    Captures, Cut,
    testing::Combine(
        testing::Values(
            Case{"above_centre", {169.4e6, 2.4e6, 0}, {169.4375e6, 169.3625e6, 169.45e6}},
            Case{"below_centre", {169.4e6, 2.4e6, 0}, {169.3625e6, 169.4375e6, 169.35e6}},
            Case{"near_edge", {169.4e6, 2.4e6, 0}, {170.5e6, 168.3e6, 169.4e6}},
            // Rates that are no even number of spacings: the bank resamples the band.
            Case{"rate_2048k", {169.4e6, 2.048e6, 0}, {169.8e6, 169.0e6, 169.4125e6}},
            Case{"rate_1000k", {169.4e6, 1e6, 0}, {169.2e6, 169.5e6, 169.6e6}},
            // A centre off the raster and a frequency error: the bank mixes the band first.
            Case{"centre_off_raster", {169.4031e6, 2.4e6, 0}, {169.5e6, 169.3e6, 169.4125e6}},
            Case{"ppm", {169.4e6, 2.4e6, 37}, {169.9e6, 169.1e6, 169.4e6}}),
        testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) ? "_bank" : "_mixer");
    });

} // namespace
