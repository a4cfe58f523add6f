// Decodes generated streams of growing size and prints the time each takes, to show that
// decoding stays linear in the input. Usage: decode-scaling [megabytes...]
#include "encoder.h"
#include "modETSI300230.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// About one block per 2,000 characters, the rest random noise.
std::string MakeStream(std::size_t bytes, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::string stream;
    stream.reserve(bytes + 4096);
    const std::string block = encoder::CallBlock({10, 10, 1, 0x234, 0x567});
    while (stream.size() < bytes) {
        for (int i = 0; i < 1900; ++i)
            stream += (rng() & 1U) ? '1' : '0';
        stream += block;
    }
    return stream;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(static_cast<std::size_t>(std::atoll(argv[i])));
    if (sizes.empty())
        sizes = {1, 10, 100};
    std::printf("%8s %10s %10s %10s\n", "MB", "blocks", "seconds", "MB/s");
    for (const std::size_t mb : sizes) {
        const std::string stream = MakeStream(mb * 1000 * 1000, 42);
        std::vector<modETSI300230::BlockInfo> blocks;
        std::int32_t count = 0;
        const auto start = std::chrono::steady_clock::now();
        modETSI300230::DecodeStream(stream, blocks, count);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("%8zu %10d %10.3f %10.1f\n", mb, count, took.count(),
                    static_cast<double>(stream.size()) / 1e6 / took.count());
    }
    return 0;
}
