// --db: records in an SQLite database (docs/database.md), and the history read back from it.
// The only code that knows SQLite. Synchronous: the store's thread (store_writer) calls it.
#pragma once

#include "decoded_record.h"
#include "live_state.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vantrel {

// What the runs table notes of a run.
struct StoreRun {
    std::string program; // "vantrel-decode 1.0.0"
    std::string inputs;  // the inputs as given, one a line (a device's name for --device)
};

class RecordStore {
public:
    // Opens the database (made when missing), checks or makes its schema and notes the run.
    // Throws FileError with SQLite's description (a read-only disk, a database another
    // writer keeps locked, a file that is no database or one of another schema).
    RecordStore(const std::string& path, const StoreRun& run);
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // One transaction: every record not stored before (docs/database.md, the natural key)
    // and the run's counts. Throws FileError; the transaction is then rolled back.
    void Store(std::span<const DecodedRecord> records);
    // Notes the run's end.
    void Finish();

    std::uint64_t added() const { return added_; }
    std::uint64_t known() const { return known_; } // already there: not stored again

private:
    [[noreturn]] void Fail() const;
    void Execute(const char* sql) const;
    void Insert(const DecodedRecord& record);

    std::string path_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* runCounts_ = nullptr;
    std::int64_t run_ = 0;
    std::uint64_t added_ = 0;
    std::uint64_t known_ = 0;
};

struct StoredHistory {
    std::vector<DecodedRecord> records; // the last ones stored, oldest first
    std::vector<UnitSummary> units;     // every unit of every stored record, first heard first
};

// The last `lastRecords` records of the database at `path` (their logs empty) and every unit's
// summary over all its records: for a live page that starts with the history. Throws
// FileError.
StoredHistory ReadStoredHistory(const std::string& path, std::size_t lastRecords);

} // namespace vantrel
