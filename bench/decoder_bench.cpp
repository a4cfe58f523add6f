// Micro-benchmarks of the decoder's hot routines, all on input held in memory: the codeword
// check, the sync search, the whole decode and the report rendering. The streams are the
// ones `make-stream` writes (same kind, seed and size, line ends left out), so the numbers
// here and those of bench/run describe the same data.
//
// The size of the streams can be changed with VANTREL_BENCH_MB (default 100).
#include "encoder.h"
#include "modETSI300230.h"
#include "report.h"
#include "stream_maker.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace modETSI300230;

// Bits in a file of `megabytes` million bytes whose lines hold 64 characters and a CR LF.
std::size_t BitsInFile(double megabytes) {
    return static_cast<std::size_t>(megabytes * 1e6) / 66 * 64;
}

double StreamMegabytes() {
    const char* text = std::getenv("VANTREL_BENCH_MB");
    const double mb = text ? std::atof(text) : 100.0;
    return mb > 0 ? mb : 100.0;
}

// Streams are made once per kind and shared by every benchmark that needs them.
const std::string& Stream(streams::Kind kind) {
    static std::map<streams::Kind, std::string> made;
    auto it = made.find(kind);
    if (it == made.end()) {
        streams::Options options;
        options.kind = kind;
        options.bits = BitsInFile(StreamMegabytes());
        it = made.emplace(kind, streams::GenerateBits(options)).first;
    }
    return it->second;
}

struct Decoded {
    std::vector<BlockInfo> blocks;
    std::int32_t count = 0;
};

const Decoded& RealisticDecoded() {
    static const Decoded decoded = [] {
        Decoded d;
        DecodeStream(Stream(streams::Kind::Realistic), d.blocks, d.count);
        return d;
    }();
    return decoded;
}

void CheckCodewordBench(benchmark::State& state, bool passing) {
    std::string word = encoder::HeaderCodeword({encoder::NormalCall, 10, 1, 0x234, 0x567});
    if (!passing)
        word = encoder::Corrupt(word, 30);
    std::string info;
    for (auto _ : state) {
        BlockLog.clear();
        std::string_view rest = word;
        benchmark::DoNotOptimize(CheckCodeword(rest, info));
        benchmark::DoNotOptimize(info.data());
    }
    state.SetItemsProcessed(state.iterations());
}
void BM_CheckCodewordPassing(benchmark::State& state) {
    CheckCodewordBench(state, true);
}
void BM_CheckCodewordFailing(benchmark::State& state) {
    CheckCodewordBench(state, false);
}
BENCHMARK(BM_CheckCodewordPassing);
BENCHMARK(BM_CheckCodewordFailing);

// One search over a whole stream for a pattern it does not hold (the noise stream is kept
// free of the FEC pattern).
void BM_FindSyncWholeStream(benchmark::State& state) {
    const std::string& bits = Stream(streams::Kind::LongNoise);
    for (auto _ : state)
        benchmark::DoNotOptimize(FindSync(bits, 0, SyncFec));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bits.size()));
}
BENCHMARK(BM_FindSyncWholeStream)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every sync pattern of the stream, found the way the decoder walks through it.
void BM_SyncFinderWalk(benchmark::State& state) {
    const std::string& bits = Stream(streams::Kind::Realistic);
    for (auto _ : state) {
        SyncFinder finder(bits);
        std::size_t found = 0;
        for (std::size_t at = 0;;) {
            const SyncFinder::Hit hit = finder.Next(at);
            if (hit.position == NotFound)
                break;
            ++found;
            at = hit.position + SyncLength;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bits.size()));
}
BENCHMARK(BM_SyncFinderWalk)->Unit(benchmark::kMillisecond)->UseRealTime();

void DecodeBench(benchmark::State& state, streams::Kind kind) {
    const std::string& bits = Stream(kind);
    for (auto _ : state) {
        Decoded d;
        DecodeStream(bits, d.blocks, d.count);
        benchmark::DoNotOptimize(d.blocks.data());
        state.counters["blocks"] = d.count;
        state.PauseTiming(); // freeing the records is the caller's business
        d = {};
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bits.size()));
}
BENCHMARK_CAPTURE(DecodeBench, realistic, streams::Kind::Realistic)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(DecodeBench, fec_only, streams::Kind::FecOnly)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(DecodeBench, packed, streams::Kind::Packed)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(DecodeBench, long_noise, streams::Kind::LongNoise)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void RenderBench(benchmark::State& state, vantrel::ReportLevel level) {
    const Decoded& decoded = RealisticDecoded();
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string report = vantrel::RenderReport(decoded.blocks, decoded.count, level);
        size = report.size();
        benchmark::DoNotOptimize(report.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK_CAPTURE(RenderBench, short_level, vantrel::ReportLevel::Short)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(RenderBench, debug_level, vantrel::ReportLevel::Debug)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
