// Demodulator measurements: bit error rate against Eb/N0 beside the theoretical curves, block
// decode rate on realistic streams with every impairment, speed and memory.
// Usage: demod-bench [ber|blocks|speed|memory|all] [--bits N] [--rate HZ] [--plot FILE]
//   --bits    bits per BER point (default 300000) and realistic stream size for blocks
//   --plot    also write the BER table as gnuplot data to FILE
#include "demodulator.h"
#include "encoder.h"
#include "modETSI300230.h"
#include "modulator.h"
#include "process_meters.h"
#include "stream_maker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string what = "all";
    std::size_t bits = 300000;
    double rate = 48000;
    std::string plot;
};

std::string Demodulate(const std::vector<float>& audio, double rate, demod::Polarity polarity,
                       std::size_t* transmissions = nullptr) {
    demod::Demodulator demodulator(rate, polarity, modETSI300230::SignallingScore);
    std::string bits;
    std::size_t count = 0;
    demod::Sink sink{[&](std::string_view b) { bits += b; },
                     [&](const demod::TransmissionInfo&) { ++count; }};
    constexpr std::size_t Piece = 4800;
    for (std::size_t at = 0; at < audio.size(); at += Piece)
        demodulator.Feed(
            std::span<const float>(audio).subspan(at, std::min(Piece, audio.size() - at)), sink);
    demodulator.Finish(sink);
    if (transmissions)
        *transmissions = count;
    return bits;
}

std::string Alternating(std::size_t length) {
    std::string bits;
    for (std::size_t i = 0; i < length; ++i)
        bits += (length - i) % 2 == 0 ? '1' : '0'; // ends in "0": runs on into a sync's "1"
    return bits;
}

// ---- bit error rate ----

double Q(double x) {
    return 0.5 * std::erfc(x / std::sqrt(2.0));
}

struct ErrorCount {
    std::size_t errors = 0, compared = 0, lost = 0;
};

// Compares the received bits with the sent ones a thousand bits at a time, letting the
// alignment move (bits lost or gained when the carrier dropped or the clock slipped).
ErrorCount CountErrors(const std::string& sent, const std::string& received) {
    ErrorCount count;
    constexpr std::size_t Block = 1000;
    constexpr long Search = 40;
    // Where the received bits start in the sent ones: the carrier detector takes a few bits,
    // and noise before the transmission may have given a few bits of its own. A stretch of
    // received bits a little way in is looked for among the first sent ones.
    constexpr std::size_t Probe = 100;
    std::size_t start = 0, fewest = Probe + 1;
    long probeAt = 0;
    for (const std::size_t r : {0, 50, 100, 200, 400}) {
        if (r + Probe > received.size())
            break;
        for (std::size_t s = 0; s + Probe <= sent.size() && s < 5000; ++s) {
            std::size_t errors = 0;
            for (std::size_t i = 0; i < Probe && errors < fewest; ++i)
                errors += sent[s + i] != received[r + i];
            if (errors < fewest) {
                fewest = errors;
                start = s;
                probeAt = static_cast<long>(r);
            }
        }
        if (fewest < Probe / 10)
            break;
    }
    if (fewest > Probe / 4)
        return count;
    long offset = probeAt - static_cast<long>(start); // received index = sent index + offset
    for (std::size_t at = start; at + Block <= sent.size(); at += Block) {
        std::size_t bestErrors = Block + 1;
        long best = offset;
        for (long o = offset - Search; o <= offset + Search; ++o) {
            if (static_cast<long>(at) + o < 0 ||
                static_cast<std::size_t>(static_cast<long>(at) + o) + Block > received.size())
                continue;
            std::size_t errors = 0;
            for (std::size_t i = 0; i < Block && errors < bestErrors; ++i)
                errors += sent[at + i] !=
                          received[static_cast<std::size_t>(static_cast<long>(at + i) + o)];
            if (errors < bestErrors || (errors == bestErrors && o == offset)) {
                bestErrors = errors;
                best = o;
            }
        }
        if (bestErrors > Block) {
            count.lost += Block;
            continue;
        }
        offset = best;
        count.errors += bestErrors;
        count.compared += Block;
    }
    return count;
}

void BitErrorRate(const Options& options) {
    std::printf("Bit error rate, one continuous transmission of %zu random bits at %.0f Hz\n",
                options.bits, options.rate);
    std::printf("%8s %12s %12s %12s %10s\n", "Eb/N0 dB", "measured", "coh. MSK", "noncoh FSK",
                "lost bits");
    std::FILE* plot = options.plot.empty() ? nullptr : std::fopen(options.plot.c_str(), "w");
    if (plot)
        std::fprintf(plot, "# EbN0dB measured coherentMSK noncoherentFSK\n");
    std::mt19937_64 rng(7);
    std::string data;
    for (std::size_t i = 0; i < options.bits; ++i)
        data += (rng() & 1U) ? '1' : '0';
    const std::string sent = Alternating(64) + data;
    for (int db = 4; db <= 12; ++db) {
        modulator::Recording recording;
        recording.sampleRate = options.rate;
        recording.ebN0Db = db;
        recording.seed = 100 + static_cast<std::uint64_t>(db);
        modulator::Modulator modulator(recording);
        modulator.Silence(0.2);
        modulator.Transmission(sent + Alternating(16));
        modulator.Silence(0.2);
        const std::string received =
            Demodulate(modulator.Finish(), options.rate, demod::Polarity::Normal);
        const ErrorCount count = CountErrors(sent, received);
        const double ebN0 = std::pow(10.0, db / 10.0);
        const double ber = count.compared > 0 ? static_cast<double>(count.errors) /
                                                    static_cast<double>(count.compared)
                                              : 1;
        char measured[32];
        if (count.errors == 0)
            std::snprintf(measured, sizeof measured, "<%.1e",
                          1.0 / static_cast<double>(count.compared));
        else
            std::snprintf(measured, sizeof measured, "%.2e", ber);
        std::printf("%8d %12s %12.2e %12.2e %10zu\n", db, measured, Q(std::sqrt(2 * ebN0)),
                    0.5 * std::exp(-ebN0 / 2), count.lost);
        if (plot)
            std::fprintf(plot, "%d %g %g %g\n", db,
                         count.errors == 0 ? 0.5 / static_cast<double>(count.compared) : ber,
                         Q(std::sqrt(2 * ebN0)), 0.5 * std::exp(-ebN0 / 2));
        std::fflush(stdout);
    }
    if (plot)
        std::fclose(plot);
}

// ---- block decode rate ----

struct Case {
    const char* name;
    double ebN0Db;
    modulator::Impairments impairments;
    double dcOffset = 0;
    bool voice = false;                      // voice instead of silence between transmissions
    bool clip = false;                       // level raised 6 dB over full scale, clipped
    std::vector<modulator::Tone> tones = {}; // under the whole recording
};

std::string Key(const modETSI300230::BlockInfo& b) {
    return b.Func1 + '|' + b.Func2 + '|' + b.FromCountry + '|' + b.FromAddr + '|' + b.ToCountry +
           '|' + b.ToAddr + '|' + b.Message + '|' + (b.Corrupted ? "C" : "-");
}

std::multiset<std::string> Keys(const std::string& bits) {
    std::vector<modETSI300230::BlockInfo> blocks;
    std::int32_t count = 0;
    modETSI300230::DecodeStream(bits, blocks, count);
    std::multiset<std::string> keys;
    for (std::int32_t i = 0; i < count; ++i)
        keys.insert(Key(blocks[static_cast<std::size_t>(i)]));
    return keys;
}

// The realistic stream cut into transmissions: each sync pattern with what follows it (up to
// 1,200 bits or the next transmission), after a preamble of alternating bits.
std::vector<std::string> Transmissions(std::size_t bits, std::uint64_t seed) {
    streams::Options o;
    o.kind = streams::Kind::Realistic;
    o.bits = bits;
    o.seed = seed;
    const std::string stream = streams::GenerateBits(o);
    std::vector<std::size_t> starts;
    for (const std::string_view p : {modETSI300230::SyncNoFec, modETSI300230::SyncFec})
        for (std::size_t at = stream.find(p); at != std::string::npos; at = stream.find(p, at + 1))
            starts.push_back(at);
    std::sort(starts.begin(), starts.end());
    std::vector<std::string> out;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        std::size_t end = std::min(stream.size(), starts[i] + 1200);
        if (i + 1 < starts.size())
            end = std::min(end, starts[i + 1]);
        out.push_back(Alternating(40) + stream.substr(starts[i], end - starts[i]) + Alternating(8));
    }
    return out;
}

void BlockRate(const Options& options) {
    using modulator::Impairments;
    auto with = [](auto change) {
        Impairments i;
        change(i);
        return i;
    };
    std::vector<Case> cases = {
        {"clean, 8 dB", 8, {}},
        {"clean, 10 dB", 10, {}},
        {"clean, 12 dB", 12, {}},
        {"clock +2 %", 12, with([](Impairments& i) { i.clockOffset = 0.02; })},
        {"clock -2 %", 12, with([](Impairments& i) { i.clockOffset = -0.02; })},
        {"clock drift 2 %/s", 12, with([](Impairments& i) { i.clockDriftPerSecond = 0.02; })},
        {"tones +30 Hz", 12,
         with([](Impairments& i) { i.lowToneOffsetHz = i.highToneOffsetHz = 30; })},
        {"tones -30 Hz", 12,
         with([](Impairments& i) { i.lowToneOffsetHz = i.highToneOffsetHz = -30; })},
        {"shift 540 Hz", 12, with([](Impairments& i) {
             i.lowToneOffsetHz = 30;
             i.highToneOffsetHz = -30;
         })},
        {"shift 660 Hz", 12, with([](Impairments& i) {
             i.lowToneOffsetHz = -30;
             i.highToneOffsetHz = 30;
         })},
        {"1800 Hz +6 dB", 12, with([](Impairments& i) { i.highToneGainDb = 6; })},
        {"1800 Hz -6 dB", 12, with([](Impairments& i) { i.highToneGainDb = -6; })},
        {"level -50 dBFS", 12, with([](Impairments& i) { i.levelDbfs = -50; })},
        {"DC offset 0.3", 12, {}, 0.3},
        {"clipped (+6 dB)", 12, {}, 0, false, true},
        {"voice between", 12, {}, 0, true},
        {"inverted", 12, with([](Impairments& i) { i.inverted = true; })},
        {"88.5 Hz + 50 Hz +6 dB",
         12,
         with([](Impairments& i) { i.levelDbfs = -18; }),
         0,
         false,
         false,
         {{88.5, -12}, {50, -12}}},
        {"254.1 Hz +6 dB",
         12,
         with([](Impairments& i) { i.levelDbfs = -18; }),
         0,
         false,
         false,
         {{254.1, -12}}},
        {"all at once", 12, with([](Impairments& i) {
             i.clockOffset = -0.02;
             i.clockDriftPerSecond = 0.01;
             i.lowToneOffsetHz = 30;
             i.highToneOffsetHz = -30;
             i.highToneGainDb = -6;
             i.inverted = true;
         }),
         0.2, true, true},
        {"all at once, 10 dB", 10, with([](Impairments& i) {
             i.clockOffset = 0.02;
             i.lowToneOffsetHz = -30;
             i.highToneOffsetHz = 30;
             i.highToneGainDb = 6;
         }),
         0.2, true, false},
    };
    const std::vector<std::string> transmissions = Transmissions(options.bits, 3);
    std::string sentText;
    for (const std::string& t : transmissions)
        sentText += t;
    const std::multiset<std::string> expected = Keys(sentText);
    std::printf("Block decode rate: %zu transmissions, %zu blocks (realistic stream), %.0f Hz, "
                "polarity Auto\n",
                transmissions.size(), expected.size(), options.rate);
    std::printf("%-22s %8s %10s %10s %14s\n", "case", "Eb/N0", "decoded", "rate", "transmissions");
    for (const Case& c : cases) {
        modulator::Recording recording;
        recording.sampleRate = options.rate;
        recording.ebN0Db = c.ebN0Db;
        recording.dcOffset = c.dcOffset;
        recording.tones = c.tones;
        recording.seed = 11;
        Impairments impairments = c.impairments;
        if (c.clip)
            impairments.levelDbfs = 6;
        modulator::Modulator modulator(recording);
        std::mt19937_64 rng(5);
        for (const std::string& t : transmissions) {
            if (c.voice)
                modulator.Voice(0.3 + 0.001 * static_cast<double>(rng() % 500),
                                impairments.levelDbfs - 6);
            else
                modulator.Silence(0.1 + 0.001 * static_cast<double>(rng() % 400));
            modulator.Transmission(t, impairments);
        }
        modulator.Silence(0.2);
        std::size_t heard = 0;
        const std::string received =
            Demodulate(modulator.Finish(), options.rate, demod::Polarity::Auto, &heard);
        std::multiset<std::string> got = Keys(received);
        std::size_t matched = 0;
        for (const std::string& key : expected) {
            const auto it = got.find(key);
            if (it != got.end()) {
                ++matched;
                got.erase(it);
            }
        }
        std::printf("%-22s %6.0f dB %5zu/%-4zu %9.1f%% %8zu/%zu\n", c.name, c.ebN0Db, matched,
                    expected.size(),
                    100.0 * static_cast<double>(matched) / static_cast<double>(expected.size()),
                    heard, transmissions.size());
        std::fflush(stdout);
    }
}

// ---- speed and memory ----

std::vector<float> RealisticAudio(double rate, double seconds) {
    modulator::Recording recording;
    recording.sampleRate = rate;
    recording.ebN0Db = 12;
    modulator::Modulator modulator(recording);
    std::size_t i = 0;
    const std::vector<std::string> transmissions = Transmissions(200000, 9);
    while (modulator.seconds() < seconds) {
        modulator.Silence(0.5);
        modulator.Transmission(transmissions[i++ % transmissions.size()]);
    }
    return modulator.Finish();
}

void Speed(const Options&) {
    std::printf("Speed: one core, realistic audio (about half of it transmissions), pieces of "
                "4096 samples\n");
    std::printf("%10s %12s %12s %14s\n", "rate Hz", "audio s", "cpu s", "x real time");
    for (const double rate : {8000.0, 44100.0, 48000.0, 96000.0}) {
        const std::vector<float> audio = RealisticAudio(rate, 120);
        const double seconds = static_cast<double>(audio.size()) / rate;
        double best = 1e9;
        for (int run = 0; run < 3; ++run) {
            demod::Demodulator demodulator(rate, demod::Polarity::Auto,
                                           modETSI300230::SignallingScore);
            std::size_t bits = 0;
            demod::Sink sink{[&](std::string_view b) { bits += b.size(); }, nullptr};
            // Processor time of this thread: the machine may be busy with other work.
            const double t0 = ThreadSeconds();
            for (std::size_t at = 0; at < audio.size(); at += 4096)
                demodulator.Feed(std::span<const float>(audio).subspan(
                                     at, std::min<std::size_t>(4096, audio.size() - at)),
                                 sink);
            demodulator.Finish(sink);
            const double cpu = ThreadSeconds() - t0;
            best = std::min(best, cpu);
            if (bits == 0)
                std::printf("no bits?\n");
        }
        std::printf("%10.0f %12.1f %12.3f %14.0f\n", rate, seconds, best, seconds / best);
        std::fflush(stdout);
    }
}

void Memory(const Options&) {
    const double rate = 48000;
    const std::vector<float> audio = RealisticAudio(rate, 60);
    demod::Demodulator demodulator(rate, demod::Polarity::Auto, modETSI300230::SignallingScore);
    std::size_t bits = 0;
    demod::Sink sink{[&](std::string_view b) { bits += b.size(); }, nullptr};
    std::printf("Memory: the same minute of 48 kHz audio fed again and again\n");
    std::printf("%12s %14s %12s\n", "audio", "resident kB", "bits");
    for (int minute = 1; minute <= 60; ++minute) {
        for (std::size_t at = 0; at < audio.size(); at += 4096)
            demodulator.Feed(std::span<const float>(audio).subspan(
                                 at, std::min<std::size_t>(4096, audio.size() - at)),
                             sink);
        if (minute == 1 || minute == 10 || minute == 30 || minute == 60)
            std::printf("%10d m %14ld %12zu\n", minute, ResidentKb(), bits);
    }
    demodulator.Finish(sink);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--bits" && i + 1 < argc)
            options.bits = std::strtoul(argv[++i], nullptr, 10);
        else if (arg == "--rate" && i + 1 < argc)
            options.rate = std::strtod(argv[++i], nullptr);
        else if (arg == "--plot" && i + 1 < argc)
            options.plot = argv[++i];
        else
            options.what = arg;
    }
    const bool all = options.what == "all";
    if (all || options.what == "ber")
        BitErrorRate(options);
    if (all || options.what == "blocks")
        BlockRate(options);
    if (all || options.what == "speed")
        Speed(options);
    if (all || options.what == "memory")
        Memory(options);
    return 0;
}
