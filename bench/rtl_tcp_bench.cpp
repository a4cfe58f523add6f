// Memory of a long live band from rtl_tcp: a fake server on a loopback port streams a band
// faster than real time (the same 6 s of 2.4 MS/s u8, eight calls and two channels of speech
// in noise, sent again and again) and vanishes every quarter of an hour; the source reads it,
// reconnecting, and the whole band is decoded as the band run decodes it. Prints the resident
// size at minutes of capture, the calls found and the breaks.
// Usage: rtl-tcp-bench [MINUTES] (default 60)
#include "fake_rtl_tcp_server.h"
#include "live_band.h"
#include "process_meters.h"
#include "rtl_tcp_source.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>
#include <string>

namespace {

using namespace std::chrono_literals;

constexpr double Centre = 169.4e6;
constexpr double Rate = 2.4e6;
constexpr double SceneSeconds = 6;
constexpr int QuarterMinutes = 15;

// Eight calls on eight channels, two more channels of speech, the rest noise.
std::vector<std::uint8_t> Scene() {
    std::mt19937_64 rng(9);
    std::vector<modulator::Carrier> carriers;
    for (int k = 0; k < 10; ++k) {
        modulator::Carrier carrier;
        carrier.audio = k < 8 ? band_calls::CallAudio(static_cast<std::size_t>(k), rng())
                              : band_calls::SpeechAudio(3, rng());
        carrier.offsetHz = (-80 + 17 * k) * 12500.0 + static_cast<double>(rng() % 4000) - 2000;
        carrier.cnDb = 20;
        carrier.startSeconds = 0.2 + 0.6 * k;
        carriers.push_back(std::move(carrier));
    }
    modulator::Band band;
    band.sampleRate = Rate;
    band.seconds = SceneSeconds;
    return modulator::ToU8(modulator::MakeIq(band, carriers));
}

} // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 60;
    const std::vector<std::uint8_t> scene = Scene();
    const auto sceneBytes = static_cast<std::uint64_t>(scene.size());
    const auto minuteBytes = static_cast<std::uint64_t>(60 * Rate * 2);

    // One connection a quarter of an hour, each vanishing at its end.
    std::vector<radio_test::Connection> connections;
    for (int start = 0; start < minutes; start += QuarterMinutes) {
        radio_test::Connection connection;
        connection.bytes =
            minuteBytes * static_cast<std::uint64_t>(std::min(QuarterMinutes, minutes - start));
        connection.fill = [&scene, sceneBytes](std::uint64_t at, std::span<std::uint8_t> piece) {
            for (std::size_t i = 0; i < piece.size(); ++i)
                piece[i] = scene[static_cast<std::size_t>((at + i) % sceneBytes)];
        };
        connection.refuseAfter = 300ms;
        connections.push_back(std::move(connection));
    }
    // The peak from here on: making the scene held its complex samples for a while.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = ResidentKb();
    radio_test::FakeRtlTcpServer server(std::move(connections));
    std::uint64_t calls = 0;
    vantrel::LiveRadioSettings settings;
    settings.notice = [](std::string_view line) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    };
    vantrel::RtlTcpSource source(server.address(), {Centre, Rate, {}}, settings);
    radio_test::LiveBand band(channelizer::BandPlan({Centre, Rate, 0}, {}),
                              [&calls](const band_calls::Call&) { ++calls; });
    band.KeepOpenings(false);

    std::printf("rtl_tcp from a fake server on 127.0.0.1: %d minutes of 2.4 MS/s u8 (the same "
                "%.0f s scene again and again, 8 calls and 2 channels of speech in it), the "
                "server vanishing every %d minutes; the whole band decoded. Resident before: "
                "%ld kB (the scene's %llu kB included)\n",
                minutes, SceneSeconds, QuarterMinutes, before,
                static_cast<unsigned long long>(sceneBytes / 1024));
    std::printf("%8s %12s %8s %8s %12s %12s\n", "capture", "resident kB", "calls", "breaks",
                "processor s", "wall s");
    const auto start = std::chrono::steady_clock::now();
    for (int minute = 1; minute <= minutes; ++minute) {
        band.Run(source, minuteBytes * static_cast<std::uint64_t>(minute), 600s);
        if (minute == 1 || minute % 5 == 0 || minute == minutes) {
            const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
            std::printf("%6d m %12ld %8llu %8llu %12.1f %12.1f\n", minute, ResidentKb(),
                        static_cast<unsigned long long>(calls),
                        static_cast<unsigned long long>(source.breaks()), ProcessSeconds(),
                        wall.count());
            std::fflush(stdout);
        }
    }
    const radio_test::LiveHeard heard = band.Finish();
    server.Stop();
    std::printf("bytes %llu of %llu, calls %llu, peak resident %ld kB\n",
                static_cast<unsigned long long>(heard.bytes),
                static_cast<unsigned long long>(minuteBytes * static_cast<std::uint64_t>(minutes)),
                static_cast<unsigned long long>(calls), ResidentKb("VmHWM:"));
    return 0;
}
