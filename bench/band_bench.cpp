// Band processing measurements: calls found against C/N beside the audio path, speed and
// memory of a whole 2.4 MS/s band watched, and the cost of each channeliser.
// Usage: band-bench [cn|speed|memory|channelisers|all] [--rounds N] [--seconds S]
//        band-bench capture FILE [--seconds S]
//   --rounds   captures per C/N point, 8 calls each (default 10)
//   --seconds  of capture for speed (default 60) and minutes for memory (default 10)
//   capture    writes the speed measurement's capture (u8 at 2.4 MS/s centred on 169.4 MHz, S
//              seconds, default 60) to FILE ("-": standard output), for bench/band_decode to
//              time the whole program on
#include "band_calls.h"
#include "iq_samples.h"
#include "process_meters.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace band_calls;

struct Options {
    std::string what = "all";
    std::string file; // capture: where it goes
    int rounds = 10;
    double seconds = 0; // 0: each measurement's own default
};

constexpr double Centre = 169.4e6;
constexpr double Rate = 2.4e6;
constexpr double Spacing = 12500;

// A capture of `seconds` at 2.4 MS/s: `calls` channels carry a call each at C/N `cnDb` (offset
// -2..+2 kHz, deviation 1.5..2.5 kHz, starting within the first `spread` seconds), two more
// carry speech, the rest only noise. `channels` get the Hz of the calls' channels.
struct Scene {
    std::vector<std::complex<float>> iq;
    std::vector<double> channels;
    std::vector<Record> sent;
};

Scene MakeScene(std::uint64_t seed, int calls, double cnDb, double seconds, double spread) {
    Scene scene;
    std::mt19937_64 rng(seed);
    auto uniform = [&](double low, double high) {
        return low + (high - low) * static_cast<double>(rng() >> 11) / 9007199254740992.0;
    };
    std::vector<modulator::Carrier> carriers;
    std::vector<long> used;
    auto channelNear = [&]() {
        while (true) {
            // Within the default plan's band (171 channels around the centre), not side by side.
            const long n = static_cast<long>(uniform(-80, 80));
            if (std::none_of(used.begin(), used.end(),
                             [&](long u) { return std::abs(u - n) < 2; })) {
                used.push_back(n);
                return n;
            }
        }
    };
    for (int k = 0; k < calls; ++k) {
        const long n = channelNear();
        const std::size_t call =
            static_cast<std::size_t>(seed * 64 + static_cast<std::uint64_t>(k));
        modulator::Carrier c;
        c.audio = CallAudio(call, seed * 1000 + static_cast<std::uint64_t>(k));
        const double hz = std::round(Centre / Spacing) * Spacing + static_cast<double>(n) * Spacing;
        c.offsetHz = hz - Centre + uniform(-2000, 2000);
        c.deviationHz = uniform(1500, 2500);
        c.cnDb = cnDb;
        c.startSeconds = uniform(0.02, spread);
        carriers.push_back(std::move(c));
        scene.channels.push_back(hz);
        scene.sent.push_back(Records(CallBits(call)).front());
    }
    for (int k = 0; k < 2; ++k) {
        modulator::Carrier c;
        c.audio = SpeechAudio(std::min(1.0, seconds / 2),
                              seed * 1000 + 500 + static_cast<std::uint64_t>(k));
        c.offsetHz = static_cast<double>(channelNear()) * Spacing + uniform(-2000, 2000);
        c.cnDb = cnDb + 10;
        c.startSeconds = uniform(0.0, seconds / 2);
        carriers.push_back(std::move(c));
    }
    modulator::Band band;
    band.sampleRate = Rate;
    band.seconds = seconds;
    band.seed = seed;
    scene.iq = modulator::MakeIq(band, carriers);
    return scene;
}

// ---- calls found against C/N ----

void CallsAgainstCn(const Options& options) {
    std::printf("Calls found against C/N (noise in 12.5 kHz): %d captures of 0.5 s at 2.4 MS/s "
                "a point, 8 calls each at once on 8 channels, carrier -2..+2 kHz off, deviation "
                "1.5..2.5 kHz; band path: every channel of the band watched (bank, squelch); audio "
                "path: each call's channel alone, always open\n",
                options.rounds);
    std::printf("%8s %14s %14s %10s\n", "C/N dB", "band path", "audio path", "elsewhere");
    const channelizer::BandPlan plan({Centre, Rate, 0}, {});
    for (const double cn : {4.0, 6.0, 7.0, 8.0, 9.0, 10.0, 11.0, 12.0, 14.0, 20.0, 30.0}) {
        int band = 0, audio = 0, total = 0, elsewhere = 0;
        for (int round = 0; round < options.rounds; ++round) {
            const Scene scene = MakeScene(static_cast<std::uint64_t>(round + 1), 8, cn, 0.5, 0.2);
            const Heard heard = DecodeBand(scene.iq, plan);
            for (std::size_t k = 0; k < scene.sent.size(); ++k) {
                ++total;
                for (const Call& call : heard.calls)
                    if (call.record == scene.sent[k])
                        (call.hz == scene.channels[k] ? band : elsewhere) += 1;
                for (const Record& r : DecodeAudioPath(scene.iq, Rate, scene.channels[k] - Centre))
                    if (r == scene.sent[k]) {
                        ++audio;
                        break;
                    }
            }
        }
        std::printf("%8.0f %8d/%-5d %8d/%-5d %10d\n", cn, band, total, audio, total, elsewhere);
        std::fflush(stdout);
    }
}

// ---- speed and memory ----

struct Run {
    double cpu = 0;
    std::size_t calls = 0;
    channelizer::ListeningCounts counts;
};

// `bytes` (u8 as rtl_sdr writes them) fed `times` over in pieces of 256 kB, from the bytes to
// the calls: the conversion, the band receiver, every open channel's demodulator, the decoder.
Run Process(const std::vector<std::uint8_t>& bytes, int times, const channelizer::BandPlan& plan,
            std::vector<long>* resident = nullptr) {
    constexpr std::size_t Piece = std::size_t{256} * 1024;
    BandDecoder decoder(plan);
    channelizer::IqConverter converter(channelizer::IqFormat::U8);
    std::vector<std::complex<float>> samples;
    const double t0 = ThreadSeconds();
    for (int time = 0; time < times; ++time) {
        for (std::size_t at = 0; at < bytes.size(); at += Piece) {
            samples.clear();
            converter.Convert(std::span(bytes).subspan(at, std::min(Piece, bytes.size() - at)),
                              samples);
            decoder.Feed(samples);
        }
        if (resident)
            resident->push_back(ResidentKb());
    }
    Run run;
    const Heard heard = decoder.Finish();
    run.cpu = ThreadSeconds() - t0;
    run.calls = heard.calls.size();
    run.counts = heard.counts;
    return run;
}

void Speed(const Options& options) {
    const double seconds = options.seconds > 0 ? options.seconds : 60;
    constexpr double SceneSeconds = 5;
    const int times = std::max(1, static_cast<int>(std::lround(seconds / SceneSeconds)));
    const Scene scene = MakeScene(7, 8, 20, SceneSeconds, SceneSeconds - 0.5);
    const std::vector<std::uint8_t> bytes = modulator::ToU8(scene.iq);
    std::printf("Speed: 2.4 MS/s u8 as rtl_sdr writes it, %d s of capture (the same %.0f s "
                "fed %d times: 8 calls at C/N 20 dB and 2 channels of speech in each), pieces "
                "of 256 kB, processor time of one thread, best of 3\n",
                times * static_cast<int>(SceneSeconds), SceneSeconds, times);
    std::printf("%-34s %9s %9s %10s %8s %10s\n", "channels watched", "capture", "cpu s", "x real",
                "calls", "listened");
    const std::vector<std::pair<std::string, channelizer::BandPlan>> plans = {
        {"whole band (default, 171)", channelizer::BandPlan({Centre, Rate, 0}, {})},
        {"every channel inside (191)",
         [] {
             std::vector<double> all;
             for (int n = -95; n <= 95; ++n)
                 all.push_back(Centre + n * Spacing);
             return channelizer::BandPlan({Centre, Rate, 0}, {all, Spacing});
         }()},
    };
    for (const auto& [name, plan] : plans) {
        Run best;
        best.cpu = 1e9;
        for (int run = 0; run < 3; ++run) {
            const Run r = Process(bytes, times, plan);
            if (r.cpu < best.cpu)
                best = r;
        }
        const double capture = times * SceneSeconds;
        std::printf("%-34s %8.0fs %9.2f %9.1fx %8zu %9.1f%%\n", name.c_str(), capture, best.cpu,
                    capture / best.cpu, best.calls,
                    100.0 * static_cast<double>(best.counts.listened) /
                        static_cast<double>(best.counts.blocks));
        std::fflush(stdout);
    }
}

void Memory(const Options& options) {
    const int minutes = options.seconds > 0 ? static_cast<int>(options.seconds) : 10;
    std::vector<std::uint8_t> bytes;
    {
        const Scene scene = MakeScene(9, 8, 20, 6, 5.5);
        bytes = modulator::ToU8(scene.iq);
    }
    const long before = ResidentKb();
    std::vector<long> resident;
    const channelizer::BandPlan plan({Centre, Rate, 0}, {});
    const Run run = Process(bytes, minutes * 10, plan, &resident);
    std::printf("Memory: the same 6 s of 2.4 MS/s u8 fed again and again, the whole band "
                "watched (%.0f MB of capture in all), the calls decoded as each transmission "
                "ends; resident size, the capture's own %zu kB included (%ld kB before the "
                "receiver)\n",
                static_cast<double>(bytes.size()) * minutes * 10 / 1e6, bytes.size() / 1024,
                before);
    std::printf("%10s %14s\n", "capture", "resident kB");
    for (int minute = 1; minute <= minutes; ++minute)
        if (minute == 1 || minute == minutes || minute % 5 == 0)
            std::printf("%8d m %14ld\n", minute,
                        resident[static_cast<std::size_t>(minute * 10 - 1)]);
    std::printf("calls %zu, peak resident %ld kB\n", run.calls, ResidentKb("VmHWM:"));
}

// ---- the channelisers' cost ----

void Channelisers(const Options&) {
    const Scene scene = MakeScene(5, 0, 20, 2, 1);
    std::printf("Channelisers: 2 s of 2.4 MS/s noise, only the cutting and the squelch "
                "(nothing opens), processor time\n");
    std::printf("%10s %14s %14s\n", "channels", "mixers cpu s", "bank cpu s");
    for (const std::size_t count : {1U, 2U, 3U, 4U, 8U, 16U}) {
        std::vector<double> list;
        for (std::size_t n = 0; n < count; ++n)
            list.push_back(Centre + static_cast<double>(n) * 3 * Spacing);
        const channelizer::BandPlan plan({Centre, Rate, 0}, {list, Spacing});
        double cpu[2] = {1e9, 1e9};
        for (int run = 0; run < 3; ++run)
            for (const int bank : {0, 1}) {
                channelizer::ReceiverSettings settings;
                settings.channeliser =
                    bank ? channelizer::Channeliser::Bank : channelizer::Channeliser::Mixer;
                channelizer::BandReceiver receiver(plan, {}, settings);
                const double t0 = ThreadSeconds();
                for (std::size_t at = 0; at < scene.iq.size(); at += 65536)
                    receiver.Feed(std::span(scene.iq).subspan(
                        at, std::min<std::size_t>(65536, scene.iq.size() - at)));
                receiver.Finish();
                cpu[bank] = std::min(cpu[bank], ThreadSeconds() - t0);
            }
        std::printf("%10zu %14.3f %14.3f\n", count, cpu[0], cpu[1]);
        std::fflush(stdout);
    }
}

// ---- the speed measurement's capture, for the whole program ----

void Capture(const Options& options) {
    constexpr double SceneSeconds = 5;
    const double seconds = options.seconds > 0 ? options.seconds : 60;
    const std::vector<std::uint8_t> bytes =
        modulator::ToU8(MakeScene(7, 8, 20, SceneSeconds, SceneSeconds - 0.5).iq);
    std::FILE* out = options.file == "-" ? stdout : std::fopen(options.file.c_str(), "wb");
    if (out == nullptr) {
        std::perror(options.file.c_str());
        std::exit(1);
    }
    // Whole scenes, the last one cut to the length asked for.
    auto left = static_cast<std::size_t>(seconds * Rate) * 2;
    while (left > 0) {
        const std::size_t count = std::min(left, bytes.size());
        if (std::fwrite(bytes.data(), 1, count, out) != count)
            std::exit(1);
        left -= count;
    }
    if (std::fclose(out) != 0)
        std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc)
            options.rounds = std::atoi(argv[++i]);
        else if (arg == "--seconds" && i + 1 < argc)
            options.seconds = std::strtod(argv[++i], nullptr);
        else if (options.what == "capture" && options.file.empty())
            options.file = arg;
        else
            options.what = arg;
    }
    if (options.what == "capture") {
        Capture(options);
        return 0;
    }
    const bool all = options.what == "all";
    if (all || options.what == "cn")
        CallsAgainstCn(options);
    if (all || options.what == "speed")
        Speed(options);
    if (all || options.what == "memory")
        Memory(options);
    if (all || options.what == "channelisers")
        Channelisers(options);
    return 0;
}
