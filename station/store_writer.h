// The database's own thread: records are queued as they become final and written by it, so
// the decode never waits for a commit. Every record it takes is committed at once: when
// records come one by one (a live channel) each is its own transaction; when they come faster
// than it writes (a batch run) they gather into transactions of up to QueueLimit records. A
// record is thus committed well within a second of reaching the queue, which is what a
// `kill -9` may lose at most.
#pragma once

#include "decoded_record.h"
#include "record_store.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vantrel {

struct StoreOutcome {
    std::uint64_t added = 0;     // new records stored
    std::uint64_t known = 0;     // records the database had already
    std::uint64_t notStored = 0; // records that came after the database was lost
    bool lost = false;           // a write failed: the database was given up for the run
};

class StoreWriter {
public:
    // Records waiting for the thread, at most: past it a caller waits (only a batch run
    // outpaces the store, and its memory stays bounded).
    static constexpr std::size_t QueueLimit = 8192;

    // `notice` takes one line (the path and SQLite's description) when a write fails; the
    // database is then given up for the rest of the run.
    using Notice = std::function<void(std::string_view)>;
    StoreWriter(std::unique_ptr<RecordStore> store, Notice notice);
    ~StoreWriter();
    StoreWriter(const StoreWriter&) = delete;
    StoreWriter& operator=(const StoreWriter&) = delete;

    // Safe from any thread. The record is copied without its log.
    void Add(const DecodedRecord& record);

    // Writes what is queued, notes the run's end and stops the thread. Idempotent.
    StoreOutcome Close();

private:
    void Run();

    std::unique_ptr<RecordStore> store_;
    Notice notice_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::condition_variable room_;
    std::vector<DecodedRecord> queue_;
    bool closing_ = false;
    StoreOutcome outcome_;
    std::thread thread_;
};

} // namespace vantrel
