// End to end on captures made by the test radio: calls FM-modulated onto carriers with
// their own frequency errors and deviations, in noise, cut out of the band, squelched,
// demodulated and decoded. Each call is found once, on its own channel, wherever a
// single-channel receiver finds it; nothing is found in noise or speech.
#include "band_calls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

using namespace band_calls;
using channelizer::BandPlan;
using channelizer::Channeliser;

constexpr double Centre = 169.4e6;

// The offset (Hz at the capture's nominal rate) at which a receiver `ppm` off shows `hz`.
double SeenAt(double hz, double centre, double ppm) {
    const double correction = 1 + ppm * 1e-6;
    return (hz - centre * correction) / correction;
}

std::string Describe(const Heard& heard) {
    std::ostringstream text;
    text << heard.calls.size() << " calls:";
    for (const Call& call : heard.calls)
        text << ' ' << call.hz << " from " << call.record.FromAddr << ';';
    text << " openings:";
    for (const auto& [hz, times] : heard.opened)
        text << ' ' << hz << " x" << times.size();
    return text.str();
}

// `sent[k]` found on `channels[k]`, once each, and nothing else.
void ExpectEachOnItsChannel(const Heard& heard, const std::vector<double>& channels,
                            const std::vector<Record>& sent) {
    for (std::size_t k = 0; k < sent.size(); ++k)
        EXPECT_EQ(std::count(heard.calls.begin(), heard.calls.end(), Call{channels[k], sent[k]}), 1)
            << "call " << k << " on " << channels[k] << "\n"
            << Describe(heard);
    EXPECT_EQ(heard.calls.size(), sent.size()) << Describe(heard);
}

struct OneCall {
    const char* name;
    double rate = 2.4e6;
    double ppm = 0;
    double channelHz = Centre + 437500;
    double errorHz = 0;
    double deviationHz = 2500;
    double cnDb = 12;
    std::vector<double> list = {}; // empty: the whole band
    std::size_t piece = 65536;
    Channeliser expected = Channeliser::Bank;
};

void PrintTo(const OneCall& c, std::ostream* os) {
    *os << c.name;
}

class OneCallCase : public testing::TestWithParam<OneCall> {};

TEST_P(OneCallCase, FoundWhereTheAudioPathFindsIt) {
    const OneCall c = GetParam();
    modulator::Carrier carrier;
    carrier.audio = CallAudio(5, 21);
    carrier.offsetHz = SeenAt(c.channelHz, Centre, c.ppm) + c.errorHz;
    carrier.deviationHz = c.deviationHz;
    carrier.cnDb = c.cnDb;
    carrier.startSeconds = 0.1;
    modulator::Band band;
    band.sampleRate = c.rate;
    band.seconds = 0.45;
    const auto iq = modulator::MakeIq(band, std::vector{carrier});
    const std::vector<Record> sent = Records(CallBits(5));

    // The C/N is one where a receiver of this channel alone decodes the call.
    ASSERT_EQ(DecodeAudioPath(iq, c.rate, carrier.offsetHz - c.errorHz), sent);

    const BandPlan plan({Centre, c.rate, c.ppm}, {c.list, 12500});
    const Heard heard = DecodeBand(iq, plan, {}, c.piece);
    EXPECT_EQ(heard.usedBank, c.expected == Channeliser::Bank);
    ExpectEachOnItsChannel(heard, {c.channelHz}, sent);
    // Opened once; its audio starts with the 10 ms block before the one that opened it, so
    // before the carrier (by 8.6 ms or more at this C/N, wherever the carrier starts in a
    // block) and by less than two blocks.
    ASSERT_EQ(heard.opened.count(c.channelHz), 1U) << Describe(heard);
    const std::vector<double>& opened = heard.opened.at(c.channelHz);
    ASSERT_EQ(opened.size(), 1U) << Describe(heard);
    EXPECT_GE(opened[0], carrier.startSeconds - 0.025);
    EXPECT_LE(opened[0], carrier.startSeconds - 0.005);
}

INSTANTIATE_TEST_SUITE_P(
    Captures, OneCallCase,
    testing::Values(
        OneCall{.name = "whole_band", .errorHz = 2000},
        OneCall{.name = "low_deviation_below_centre",
                .channelHz = Centre - 812500,
                .errorHz = -2000,
                .deviationHz = 1500},
        OneCall{.name = "centre_channel", .channelHz = Centre, .errorHz = 700, .deviationHz = 2000},
        OneCall{
            .name = "last_channel_of_the_band", .channelHz = Centre + 85 * 12500, .errorHz = -1500},
        OneCall{.name = "pieces_of_777", .errorHz = 1000, .piece = 777},
        OneCall{.name = "one_channel_mixed",
                .errorHz = -1000,
                .list = {Centre + 437500},
                .expected = Channeliser::Mixer},
        OneCall{.name = "off_raster_list_mixed",
                .channelHz = Centre + 401300,
                .errorHz = 1500,
                .list = {Centre + 401300, Centre + 500000, Centre - 300000},
                .expected = Channeliser::Mixer},
        OneCall{.name = "rate_2048k", .rate = 2.048e6, .errorHz = 1800},
        OneCall{.name = "ppm_37", .ppm = 37, .channelHz = Centre - 612500, .errorHz = 500}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OnTheAir, FromTheFirstSampleOfTheCapture) {
    // A capture started during a call: the channel's first block already holds the carrier,
    // and the band's floor, not the channel's own, tells the squelch to open.
    modulator::Carrier carrier;
    carrier.audio = CallAudio(7, 23);
    carrier.offsetHz = -187500 + 600;
    carrier.cnDb = 15;
    modulator::Band band;
    band.seconds = 0.35;
    const auto iq = modulator::MakeIq(band, std::vector{carrier});
    ExpectEachOnItsChannel(DecodeBand(iq, BandPlan({Centre, 2.4e6, 0}, {})), {Centre - 187500},
                           Records(CallBits(7)));
}

struct Cutter {
    const char* name;
    Channeliser channeliser;
};

void PrintTo(const Cutter& c, std::ostream* os) {
    *os << c.name;
}

class EightCalls : public testing::TestWithParam<Cutter> {};

TEST_P(EightCalls, AtOnceOnEightChannelsAllFound) {
    // Channels across the band, the centre's and the edges' among them; every deviation and
    // carrier error of the range; starting within 60 ms of each other.
    const std::vector<double> channels = {Centre - 1062500, Centre - 500000, Centre - 37500,
                                          Centre,           Centre + 25000,  Centre + 312500,
                                          Centre + 700000,  Centre + 1050000};
    std::vector<modulator::Carrier> carriers;
    std::vector<Record> sent;
    for (std::size_t k = 0; k < channels.size(); ++k) {
        modulator::Carrier c;
        c.audio = CallAudio(10 + k, 40 + k);
        c.offsetHz = channels[k] - Centre - 2000 + 4000.0 * static_cast<double>((k * 3) % 8) / 7;
        c.deviationHz = 1500 + 1000.0 * static_cast<double>((k * 5) % 8) / 7;
        c.cnDb = 15;
        c.startSeconds = 0.05 + 0.008 * static_cast<double>(k);
        carriers.push_back(std::move(c));
        sent.push_back(Records(CallBits(10 + k)).front());
    }
    modulator::Band band;
    band.seconds = 0.45;
    band.seed = 3;
    const auto iq = modulator::MakeIq(band, carriers);
    // The bank watches the whole band; the mixers, for comparison, only the eight.
    const bool bank = GetParam().channeliser == Channeliser::Bank;
    const BandPlan plan({Centre, 2.4e6, 0}, {bank ? std::vector<double>{} : channels, 12500});
    ExpectEachOnItsChannel(DecodeBand(iq, plan, {.channeliser = GetParam().channeliser}), channels,
                           sent);
}

INSTANTIATE_TEST_SUITE_P(Channelisers, EightCalls,
                         testing::Values(Cutter{"bank", Channeliser::Bank},
                                         Cutter{"mixers", Channeliser::Mixer}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Neighbours {
    const char* name;
    double weakErrorHz;
    double strongErrorHz;
    double strongAboveHz; // +12500: the strong one on the channel above, -12500 below
};

void PrintTo(const Neighbours& n, std::ostream* os) {
    *os << n.name;
}

class Adjacent : public testing::TestWithParam<Neighbours> {};

TEST_P(Adjacent, ThirtyDbStrongerNeighbourLeavesTheCallDecoded) {
    const Neighbours n = GetParam();
    const double weakHz = Centre + 250000;
    const double strongHz = weakHz + n.strongAboveHz;
    modulator::Carrier weak, strong;
    weak.audio = CallAudio(30, 61);
    weak.offsetHz = weakHz - Centre + n.weakErrorHz;
    weak.cnDb = 15;
    weak.startSeconds = 0.08;
    strong.audio = CallAudio(31, 62);
    strong.offsetHz = strongHz - Centre + n.strongErrorHz;
    strong.cnDb = 45;
    strong.startSeconds = 0.05; // on the air all through the weak call
    modulator::Band band;
    band.seconds = 0.45;
    const auto iq = modulator::MakeIq(band, std::vector{weak, strong});
    ExpectEachOnItsChannel(DecodeBand(iq, BandPlan({Centre, 2.4e6, 0}, {})), {weakHz, strongHz},
                           {Records(CallBits(30)).front(), Records(CallBits(31)).front()});
}

INSTANTIATE_TEST_SUITE_P(
    Errors, Adjacent,
    testing::Values(Neighbours{"on_channel", 0, 0, 12500}, Neighbours{"strong_below", 0, 0, -12500},
                    // The receiver's own error moves both alike.
                    Neighbours{"receiver_1k_high", 1000, 1000, 12500},
                    Neighbours{"receiver_1k_low", -1000, -1000, 12500},
                    Neighbours{"receiver_2k_away", -2000, -2000, -12500},
                    // The transmitters' own errors, towards each other: 10.5 kHz apart.
                    Neighbours{"towards_each_other", 1000, -1000, 12500}),
    [](const auto& info) { return std::string(info.param.name); });

// Band-limited noise (200-3000 Hz, two one-pole sections each way) under a syllable-rate
// envelope: speech as far as its spectrum and rhythm go.
std::vector<float> MurmurAudio(double seconds, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> gauss;
    const double rate = 48000;
    const double high = 1 - std::exp(-2 * std::numbers::pi * 3000 / rate);
    const double low = 1 - std::exp(-2 * std::numbers::pi * 200 / rate);
    double a = 0, b = 0, c = 0, d = 0;
    std::vector<float> audio(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < audio.size(); ++i) {
        a += high * (gauss(rng) - a);
        b += high * (a - b);
        c += low * (b - c);
        d += low * (c - d);
        const double t = static_cast<double>(i) / rate;
        const double envelope = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 4 * t);
        audio[i] = static_cast<float>(std::clamp(8 * envelope * (b - d), -1.0, 1.0));
    }
    return audio;
}

TEST(NoCall, FromNoiseOnlyAndNothingOpens) {
    modulator::Band band;
    band.seconds = 1;
    band.seed = 8;
    const Heard heard = DecodeBand(modulator::MakeIq(band, {}), BandPlan({Centre, 2.4e6, 0}, {}));
    EXPECT_TRUE(heard.calls.empty()) << Describe(heard);
    // A quiet band costs only the cutting: no channel opened.
    EXPECT_EQ(heard.counts.openings, 0U) << Describe(heard);
    EXPECT_GT(heard.counts.blocks, 0U);
}

TEST(NoCall, FromSpeechThoughTheChannelsOpen) {
    std::vector<modulator::Carrier> carriers;
    for (int k = 0; k < 4; ++k) {
        modulator::Carrier c;
        c.audio = k % 2 == 0 ? SpeechAudio(0.9, 70 + static_cast<std::uint64_t>(k))
                             : MurmurAudio(0.9, 70 + static_cast<std::uint64_t>(k));
        c.offsetHz = -600000 + 300000.0 * k + 500;
        c.deviationHz = 2500;
        c.cnDb = 25;
        c.startSeconds = 0.05;
        carriers.push_back(std::move(c));
    }
    modulator::Band band;
    band.seconds = 1;
    const Heard heard =
        DecodeBand(modulator::MakeIq(band, carriers), BandPlan({Centre, 2.4e6, 0}, {}));
    EXPECT_TRUE(heard.calls.empty()) << Describe(heard);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(heard.opened.count(Centre - 600000 + 300000.0 * k), 1U) << Describe(heard);
}

} // namespace
