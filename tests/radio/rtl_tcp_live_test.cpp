// rtl_tcp end to end: a fake server on a loopback port serves a capture of calls on two
// channels, vanishes in the middle of a call, refuses the reconnection for a while and then
// serves the rest; the source tunes every connection, says once that it reconnects, hands on
// exactly the samples served, and the band decoded from it finds every whole call on its own
// channel, the channel that was open at the gap closed there.
#include "fake_rtl_tcp_server.h"
#include "live_band.h"
#include "rtl_tcp_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

using namespace std::chrono_literals;
using band_calls::Call;
using radio_test::Command;

constexpr double Centre = 169.45e6;
constexpr double Rate = 1e6;
constexpr double Low = Centre - 100000; // two channels of the band, apart
constexpr double High = Centre + 212500;

struct OnAir {
    std::size_t call;
    double hz;
    double start; // s
};

// u8 IQ as rtl_sdr writes it: the calls at 20 dB C/N with their carriers a little off.
std::vector<std::uint8_t> Capture(double seconds, const std::vector<OnAir>& calls,
                                  std::uint64_t seed) {
    std::vector<modulator::Carrier> carriers;
    for (const OnAir& c : calls) {
        modulator::Carrier carrier;
        carrier.audio = band_calls::CallAudio(c.call, seed + c.call);
        carrier.offsetHz = c.hz - Centre + (c.hz == Low ? 900 : -1300);
        carrier.cnDb = 20;
        carrier.startSeconds = c.start;
        carriers.push_back(std::move(carrier));
    }
    modulator::Band band;
    band.sampleRate = Rate;
    band.seconds = seconds;
    band.seed = seed;
    return modulator::ToU8(modulator::MakeIq(band, carriers));
}

std::string Describe(const radio_test::LiveHeard& heard) {
    std::ostringstream text;
    text << heard.calls.size() << " calls:";
    for (const Call& call : heard.calls)
        text << ' ' << call.hz << " from " << call.record.FromAddr << ';';
    text << " openings:";
    for (const radio_test::Opening& o : heard.openings)
        text << ' ' << o.hz << " " << o.opened << "-" << o.closed << ';';
    return text.str();
}

vantrel::LiveRadioSettings Telling(std::vector<std::string>& notices, bool wait = false) {
    vantrel::LiveRadioSettings settings;
    settings.waitAtStart = wait;
    settings.notice = [&notices](std::string_view line) { notices.emplace_back(line); };
    return settings;
}

TEST(RtlTcpLive, ReconnectsAfterTheServerVanishesAndDecodesEveryWholeCall) {
    // Before the gap: a call on each channel, then a third on Low cut off by the gap within
    // its sync pattern, its channel open.
    const double cutCallStart = 0.75;
    const double cut = cutCallStart + 0.05;
    const std::vector<std::uint8_t> before =
        Capture(cut + 0.05, {{0, Low, 0.1}, {1, High, 0.3}, {2, Low, cutCallStart}}, 11);
    // The server dies in the middle of a pair: the I whose Q never came must not make every
    // I after the gap a Q (which mirrors the band).
    const auto cutBytes = static_cast<std::size_t>(cut * Rate) * 2 + 1;
    // After it: a call on each channel again.
    const std::vector<std::uint8_t> after = Capture(0.7, {{3, High, 0.1}, {4, Low, 0.35}}, 12);

    radio_test::Connection first = radio_test::Serving(std::span(before).first(cutBytes));
    first.headerPiece = 1; // the header a byte at a time: nothing of it is a sample
    first.refuseAfter = 1000ms;
    radio_test::FakeRtlTcpServer server({first, radio_test::Serving(after)});

    std::vector<std::string> notices;
    const vantrel::RadioTuning tuning{Centre, Rate, 29.7};
    vantrel::RtlTcpSource source(server.address(), tuning, Telling(notices));
    EXPECT_EQ(source.name(), "rtl_tcp " + server.address());
    const channelizer::BandPlan plan({Centre, Rate, 0}, {});
    radio_test::LiveBand band(plan);
    std::vector<char> kept;
    band.Run(source, cutBytes - 1 + after.size(), 20s, &kept);
    const radio_test::LiveHeard heard = band.Finish();
    server.Stop();

    // Every byte served, the header and the half pair at the gap left out.
    std::vector<char> served(before.begin(), before.begin() + static_cast<long>(cutBytes) - 1);
    served.insert(served.end(), after.begin(), after.end());
    ASSERT_EQ(kept.size(), served.size());
    EXPECT_TRUE(kept == served) << "the bytes handed on differ from those served";

    // Both connections tuned alike: rate, frequency, manual gain in tenths of a dB, no AGC.
    const std::vector<Command> tuned = {
        {0x02, 1000000}, {0x01, 169450000}, {0x03, 1}, {0x04, 297}, {0x08, 0}};
    const auto received = server.received();
    ASSERT_EQ(received.size(), 2U);
    for (const auto& bytes : received)
        EXPECT_EQ(radio_test::CommandsIn(bytes), tuned);

    // Said once, though the server refused several tries before it came back.
    EXPECT_EQ(notices, std::vector<std::string>{"rtl_tcp " + server.address() +
                                                ": the server closed the connection; "
                                                "reconnecting"});
    EXPECT_EQ(heard.breaks, 1U);

    // The whole calls, each once on its own channel; the cut one nowhere.
    const std::vector<Call> expected = {{Low, band_calls::Records(band_calls::CallBits(0)).at(0)},
                                        {High, band_calls::Records(band_calls::CallBits(1)).at(0)},
                                        {High, band_calls::Records(band_calls::CallBits(3)).at(0)},
                                        {Low, band_calls::Records(band_calls::CallBits(4)).at(0)}};
    for (const Call& call : expected)
        EXPECT_EQ(std::count(heard.calls.begin(), heard.calls.end(), call), 1)
            << call.hz << " from " << call.record.FromAddr << "\n"
            << Describe(heard);
    EXPECT_EQ(heard.calls.size(), expected.size()) << Describe(heard);

    // The channel on the air at the gap closed at the gap, not after the squelch's hold on
    // what followed it. (Times count the samples fed, the filters' delay taken off.)
    const auto atGap = std::find_if(
        heard.openings.begin(), heard.openings.end(), [&](const radio_test::Opening& o) {
            return o.hz == Low && o.opened > cutCallStart - 0.05 && o.opened < cut;
        });
    ASSERT_NE(atGap, heard.openings.end()) << Describe(heard);
    EXPECT_NEAR(atGap->closed, cut, 0.01) << Describe(heard);
}

} // namespace
