// Decodes generated streams of growing size and prints the time each takes, to show that
// decoding stays linear in the input. Usage: decode-scaling [KIND] [megabytes...]
#include "modETSI300230.h"
#include "stream_maker.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    streams::Options options;
    int first = 1;
    if (argc > 1) {
        if (const auto kind = streams::KindByName(argv[1])) {
            options.kind = *kind;
            first = 2;
        }
    }
    std::vector<std::size_t> sizes;
    for (int i = first; i < argc; ++i)
        sizes.push_back(static_cast<std::size_t>(std::atoll(argv[i])));
    if (sizes.empty())
        sizes = {1, 10, 100};
    std::printf("%-12s %8s %10s %10s %10s\n", "stream", "MB", "blocks", "seconds", "MB/s");
    for (const std::size_t mb : sizes) {
        options.bits = mb * 1000 * 1000;
        const std::string stream = streams::GenerateBits(options);
        std::vector<modETSI300230::BlockInfo> blocks;
        std::int32_t count = 0;
        const auto start = std::chrono::steady_clock::now();
        modETSI300230::DecodeStream(stream, blocks, count);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("%-12s %8zu %10d %10.3f %10.1f\n",
                    std::string(streams::KindName(options.kind)).c_str(), mb, count, took.count(),
                    static_cast<double>(stream.size()) / 1e6 / took.count());
    }
    return 0;
}
