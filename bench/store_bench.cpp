// How fast records go into the database of --db: a dense recording's records (decoded once,
// in memory) stored through the store's thread into a fresh database, then again into the
// same one (every record already there), and read back as the live page's history.
// Usage: store-bench MEGABYTES DATABASE
#include "record_store.h"
#include "store_writer.h"
#include "stream_maker.h"

#include "modETSI300230.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// One run of the records into the database through the store's thread, as vantrel-decode
// --db hands them over; returns the seconds from the first record to the last commit.
double StoreAll(const std::vector<vantrel::DecodedRecord>& records, const std::string& path,
                vantrel::StoreOutcome& outcome) {
    const std::clock_t cpu = std::clock();
    const Clock::time_point start = Clock::now();
    vantrel::StoreWriter writer(
        std::make_unique<vantrel::RecordStore>(path, vantrel::StoreRun{"store-bench", "dense"}),
        [](std::string_view line) {
            std::fprintf(stderr, "%.*s\n", int(line.size()), line.data());
        });
    for (const vantrel::DecodedRecord& record : records)
        writer.Add(record);
    outcome = writer.Close();
    std::printf("  (CPU %.3f s)\n", double(std::clock() - cpu) / CLOCKS_PER_SEC);
    return Seconds(start);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: store-bench MEGABYTES DATABASE\n");
        return 2;
    }
    const std::size_t megabytes = std::strtoul(argv[1], nullptr, 10);
    const std::string path = argv[2];
    streams::Options options;
    options.kind = streams::Kind::Dense;
    options.bits = megabytes << 20;
    const std::string bits = streams::GenerateBits(options);
    std::vector<modETSI300230::BlockInfo> blocks;
    std::vector<modETSI300230::BlockDetail> details;
    std::int32_t count = 0;
    modETSI300230::DecodeStream(bits, blocks, count, details);
    std::vector<vantrel::DecodedRecord> records;
    records.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        vantrel::RecordSource source;
        source.file = "dense.txt";
        records.push_back(vantrel::MakeRecord(i + 1, blocks[i], details[i], source));
        records.back().info.Log = {};
    }
    blocks.clear();
    details.clear();
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(path + suffix);

    vantrel::StoreOutcome first;
    const double fresh = StoreAll(records, path, first);
    vantrel::StoreOutcome second;
    const double again = StoreAll(records, path, second);
    const Clock::time_point start = Clock::now();
    const vantrel::StoredHistory history = vantrel::ReadStoredHistory(path, 10000);
    const double read = Seconds(start);
    const auto size = std::filesystem::file_size(path);
    std::printf("records %zu\n", records.size());
    std::printf("fresh database  %.3f s  %.0f records/s  (%llu added)\n", fresh,
                records.size() / fresh, static_cast<unsigned long long>(first.added));
    std::printf("second run      %.3f s  %.0f records/s  (%llu already there)\n", again,
                records.size() / again, static_cast<unsigned long long>(second.known));
    std::printf("history         %.3f s  (last %zu records, %zu units)\n", read,
                history.records.size(), history.units.size());
    std::printf("database        %.1f MB, %.0f bytes a record\n", size / 1048576.0,
                static_cast<double>(size) / records.size());
    return first.added == records.size() && second.known == records.size() ? 0 : 1;
}
