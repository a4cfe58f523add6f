#include "record_store.h"

#include "file_error.h"
#include "latin1.h"
#include "packed_detail.h"

#include <sqlite3.h>

#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <unordered_map>

namespace vantrel {

namespace {

namespace mod = modETSI300230;

// The schema's version (PRAGMA user_version): a database of another version is refused
// rather than written in a form its readers do not expect.
constexpr int SchemaVersion = 1;

// How long a write waits for another writer to finish before it is a fault: long enough for
// another run's transactions (a second each at most), short enough to be told soon.
constexpr int BusyTimeoutMs = 5000;

// docs/database.md describes every table, column and the key; keep the two together.
constexpr const char* Schema = R"(
CREATE TABLE IF NOT EXISTS runs(
    id INTEGER PRIMARY KEY,
    started_utc TEXT NOT NULL,
    ended_utc TEXT,
    program TEXT NOT NULL,
    inputs TEXT NOT NULL,
    records_added INTEGER NOT NULL DEFAULT 0,
    records_known INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS records(
    id INTEGER PRIMARY KEY,
    run INTEGER NOT NULL REFERENCES runs(id),
    file TEXT NOT NULL,
    channel_hz INTEGER,
    number INTEGER NOT NULL,
    sync_bit INTEGER,
    line INTEGER,
    col INTEGER,
    heard_seconds REAL,
    level_dbfs REAL,
    ebn0_db REAL,
    heard_utc TEXT,
    final_utc TEXT,
    clock_utc TEXT GENERATED ALWAYS AS (coalesce(heard_utc, final_utc)) VIRTUAL,
    fec INTEGER NOT NULL,
    no_pattern_left INTEGER NOT NULL,
    from_addr TEXT NOT NULL,
    to_addr TEXT NOT NULL,
    from_country TEXT NOT NULL,
    to_country TEXT NOT NULL,
    func1 TEXT NOT NULL,
    func2 TEXT NOT NULL,
    message TEXT NOT NULL,
    corrupted INTEGER NOT NULL,
    headers_passed INTEGER NOT NULL,
    codewords_read INTEGER NOT NULL,
    codewords_failed INTEGER NOT NULL,
    nmea_sentence TEXT,
    lat REAL,
    lon REAL,
    position_trusted INTEGER,
    content INTEGER NOT NULL,
    detail BLOB NOT NULL);
CREATE UNIQUE INDEX IF NOT EXISTS records_key ON records(
    file, ifnull(channel_hz, 0), ifnull(sync_bit, -number), ifnull(heard_utc, ''), content);
CREATE INDEX IF NOT EXISTS records_positions ON records(from_addr) WHERE position_trusted;
CREATE VIEW IF NOT EXISTS units AS
    SELECT address, sum(sent) AS sent, sum(received) AS received,
           min(id) AS first_record, max(id) AS last_record, max(utc) AS last_utc,
           (SELECT lat FROM records p WHERE p.from_addr = address AND p.position_trusted
            ORDER BY p.id DESC LIMIT 1) AS last_lat,
           (SELECT lon FROM records p WHERE p.from_addr = address AND p.position_trusted
            ORDER BY p.id DESC LIMIT 1) AS last_lon
    FROM (SELECT from_addr AS address, 1 AS sent, 0 AS received, id, clock_utc AS utc
              FROM records WHERE headers_passed
          UNION ALL
          SELECT to_addr, 0, 1, id, clock_utc FROM records WHERE headers_passed)
    GROUP BY address;
)";

constexpr const char* InsertRecord = R"(
INSERT OR IGNORE INTO records(run, file, channel_hz, number, sync_bit, line, col, heard_seconds,
    level_dbfs, ebn0_db, heard_utc, final_utc, fec, no_pattern_left, from_addr, to_addr,
    from_country, to_country, func1, func2, message, corrupted, headers_passed, codewords_read,
    codewords_failed, nmea_sentence, lat, lon, position_trusted, content, detail)
VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19,
       ?20, ?21, ?22, ?23, ?24, ?25, ?26, ?27, ?28, ?29, ?30, ?31))";

// The columns RecordOfRow reads, in its order, of the last ?1 records, oldest first.
constexpr const char* LastRecords = R"(
SELECT * FROM (SELECT id, number, file, channel_hz, sync_bit, line, col, heard_seconds,
                      level_dbfs, ebn0_db, heard_utc, final_utc, fec, no_pattern_left, func1,
                      func2, from_country, from_addr, to_country, to_addr, message, corrupted,
                      detail
               FROM records ORDER BY id DESC LIMIT ?1)
ORDER BY id)";

std::string UtcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

// What a block says, as one number for the natural key: two different blocks found at the
// same place (a followed file replaced by another of the same name) are two records. FNV-1a
// over the header fields, the codewords' verdicts and the message's codes.
std::int64_t ContentDigest(const DecodedRecord& r) {
    std::uint64_t hash = 14695981039346656037ULL;
    const auto mix = [&hash](std::uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash ^= (value >> (8 * i)) & 0xFF;
            hash *= 1099511628211ULL;
        }
    };
    mix(r.detail.fec);
    mix(r.detail.noPatternLeft);
    for (const mod::HeaderDetail& h : r.detail.headers) {
        mix(h.opMode);
        mix(h.function);
        mix(h.country);
        mix((std::uint64_t{h.common} << 32) | (std::uint64_t{h.from} << 16) | h.to);
    }
    for (const mod::CodewordCheck& c : r.detail.codewords)
        mix((static_cast<std::uint64_t>(c.kind) << 40) | (std::uint64_t{c.complete} << 36) |
            (std::uint64_t{c.failed} << 32) | (static_cast<std::uint64_t>(c.parity) << 24) |
            c.remainder);
    for (const char c : r.detail.messageCodes)
        mix(static_cast<unsigned char>(c));
    return static_cast<std::int64_t>(hash);
}

// Binding helpers: SQLITE_TRANSIENT copies, so the texts may be temporaries.
void BindText(sqlite3_stmt* s, int at, const std::string& text) {
    sqlite3_bind_text(s, at, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

template <typename Number>
void BindOptional(sqlite3_stmt* s, int at, const std::optional<Number>& v) {
    if (!v)
        sqlite3_bind_null(s, at);
    else if constexpr (std::is_floating_point_v<Number>)
        sqlite3_bind_double(s, at, *v);
    else
        sqlite3_bind_int64(s, at, static_cast<sqlite3_int64>(*v));
}

// A Latin-1 text of the record as UTF-8: bound in place when it is plain ASCII, as the
// record's texts almost always are (the record outlives the statement's step).
void BindLatin1(sqlite3_stmt* s, int at, const std::string& latin1) {
    for (const char c : latin1) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            BindText(s, at, Latin1ToUtf8(latin1));
            return;
        }
    }
    sqlite3_bind_text(s, at, latin1.data(), static_cast<int>(latin1.size()), SQLITE_STATIC);
}

void BindOptionalText(sqlite3_stmt* s, int at, const std::string& text) {
    if (text.empty())
        sqlite3_bind_null(s, at);
    else
        BindText(s, at, text);
}

// A statement prepared once, finalised with its owner.
class Statement {
public:
    Statement(sqlite3* db, const char* sql, const std::string& path) {
        if (sqlite3_prepare_v2(db, sql, -1, &s_, nullptr) != SQLITE_OK)
            throw FileError(path, sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(s_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return s_; }

private:
    sqlite3_stmt* s_ = nullptr;
};

std::optional<double> ColumnReal(sqlite3_stmt* s, int at) {
    if (sqlite3_column_type(s, at) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_double(s, at);
}

std::string ColumnText(sqlite3_stmt* s, int at) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, at));
    return text != nullptr
               ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(s, at)))
               : std::string();
}

// SQLite's message, with the system's description when a system call failed (its "unable to
// open database file" says nothing of a read-only disk) and the reason of a lock.
std::string Description(sqlite3* db, const std::string& path) {
    std::string description = sqlite3_errmsg(db);
    const int code = sqlite3_errcode(db);
    if (code == SQLITE_BUSY)
        return description + " (another program is writing to it)";
    if (code != SQLITE_CANTOPEN && code != SQLITE_READONLY && code != SQLITE_IOERR)
        return description;
    // The database needs to write its file and, beside it, its write-ahead log.
    const std::string folder = std::filesystem::path(path).parent_path().string();
    int error = sqlite3_system_errno(db);
    if (access(folder.empty() ? "." : folder.c_str(), W_OK) != 0 ||
        (access(path.c_str(), F_OK) == 0 && access(path.c_str(), W_OK) != 0))
        error = errno;
    return error != 0 ? description + " (" + std::generic_category().message(error) + ")"
                      : description;
}

// The UTF-8 a column holds of a Latin-1 text, as Latin-1 again; nothing for a character
// beyond U+00FF, which no record text holds.
std::optional<std::string> Latin1Of(const std::string& utf8) {
    std::string latin1;
    latin1.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size() &&
                   (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
            latin1 += static_cast<char>(((c & 0x03) << 6) |
                                        (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            return std::nullopt;
        }
    }
    return latin1;
}

// A record from a row of LastRecords: the columns and the packed detail, the GPS reading
// and the map link made again from the message as the decoder makes them. Nothing for a row
// no run of this program wrote (a damaged or edited one).
std::optional<DecodedRecord> RecordOfRow(sqlite3_stmt* s) {
    const auto* blob = static_cast<const char*>(sqlite3_column_blob(s, 22));
    std::optional<mod::BlockDetail> detail = UnpackDetail(std::string_view(
        blob != nullptr ? blob : "", static_cast<std::size_t>(sqlite3_column_bytes(s, 22))));
    if (!detail)
        return std::nullopt;
    RecordSource source;
    source.file = ColumnText(s, 2);
    const auto whole = [s](int at) -> std::optional<std::uint64_t> {
        if (sqlite3_column_type(s, at) == SQLITE_NULL || sqlite3_column_int64(s, at) < 0)
            return std::nullopt;
        return static_cast<std::uint64_t>(sqlite3_column_int64(s, at));
    };
    source.channelHz = whole(3);
    source.line = whole(5);
    source.column = whole(6);
    if (const std::optional<double> seconds = ColumnReal(s, 7))
        source.heard = HeardInfo{*seconds, ColumnReal(s, 8), ColumnReal(s, 9), ColumnText(s, 10)};
    source.finalAt = ColumnText(s, 11);
    detail->fec = sqlite3_column_int(s, 12) != 0;
    detail->noPatternLeft = sqlite3_column_int(s, 13) != 0;
    if (const std::optional<std::uint64_t> sync = whole(4))
        detail->syncPosition = static_cast<std::size_t>(*sync);
    mod::BlockInfo info;
    std::string* texts[] = {&info.Func1,     &info.Func2,  &info.FromCountry, &info.FromAddr,
                            &info.ToCountry, &info.ToAddr, &info.Message};
    for (int i = 0; i < 7; ++i) {
        std::optional<std::string> text = Latin1Of(ColumnText(s, 14 + i));
        if (!text)
            return std::nullopt;
        *texts[i] = std::move(*text);
    }
    info.Corrupted = sqlite3_column_int(s, 21) != 0;
    return MakeRecord(sqlite3_column_int64(s, 1), std::move(info), std::move(*detail),
                      std::move(source));
}

// A describable open: the database's own message when it has one.
sqlite3* OpenDatabase(const std::string& path) {
    sqlite3* db = nullptr;
    const int code =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (code != SQLITE_OK) {
        const std::string description =
            db != nullptr ? Description(db, path) : sqlite3_errstr(code);
        sqlite3_close(db);
        throw FileError(path, description);
    }
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    sqlite3_extended_result_codes(db, 0);
    return db;
}

} // namespace

void RecordStore::Fail() const {
    throw FileError(path_, Description(db_, path_));
}

void RecordStore::Execute(const char* sql) const {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        Fail();
}

RecordStore::RecordStore(const std::string& path, const StoreRun& run) : path_(path) {
    db_ = OpenDatabase(path);
    try {
        // WAL: readers (a query, a live page) never stop the writer; NORMAL: a commit is
        // safe when the program dies (not when the machine does), without a sync each time.
        Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-16384; "
                "PRAGMA wal_autocheckpoint=4096;");
        Execute("BEGIN IMMEDIATE");
        int version = 0;
        {
            const Statement ask(db_, "PRAGMA user_version", path_);
            if (sqlite3_step(ask.get()) == SQLITE_ROW)
                version = sqlite3_column_int(ask.get(), 0);
        }
        if (version != 0 && version != SchemaVersion)
            throw FileError(path_, "a database of schema version " + std::to_string(version) +
                                       ", not " + std::to_string(SchemaVersion));
        Execute(Schema);
        Execute(("PRAGMA user_version=" + std::to_string(SchemaVersion)).c_str());
        {
            const Statement note(
                db_, "INSERT INTO runs(started_utc, program, inputs) VALUES(?1, ?2, ?3)", path_);
            BindText(note.get(), 1, UtcNow());
            BindText(note.get(), 2, run.program);
            BindText(note.get(), 3, Utf8OrLatin1(run.inputs));
            if (sqlite3_step(note.get()) != SQLITE_DONE)
                Fail();
        }
        run_ = sqlite3_last_insert_rowid(db_);
        Execute("COMMIT");
        if (sqlite3_prepare_v2(db_, InsertRecord, -1, &insert_, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db_,
                               "UPDATE runs SET records_added = ?1, records_known = ?2 "
                               "WHERE id = ?3",
                               -1, &runCounts_, nullptr) != SQLITE_OK)
            Fail();
    } catch (...) {
        sqlite3_finalize(insert_);
        sqlite3_finalize(runCounts_);
        sqlite3_close(db_);
        throw;
    }
}

RecordStore::~RecordStore() {
    sqlite3_finalize(insert_);
    sqlite3_finalize(runCounts_);
    sqlite3_close(db_);
}

void RecordStore::Insert(const DecodedRecord& r) {
    sqlite3_stmt* s = insert_;
    const RecordSource& source = r.source;
    sqlite3_bind_int64(s, 1, run_);
    if (IsUtf8(source.file))
        sqlite3_bind_text(s, 2, source.file.data(), static_cast<int>(source.file.size()),
                          SQLITE_STATIC);
    else
        BindText(s, 2, Utf8OrLatin1(source.file));
    BindOptional(s, 3, source.channelHz);
    sqlite3_bind_int64(s, 4, r.number);
    if (r.detail.noPatternLeft)
        sqlite3_bind_null(s, 5);
    else
        sqlite3_bind_int64(s, 5, static_cast<sqlite3_int64>(r.detail.syncPosition));
    BindOptional(s, 6, source.line);
    BindOptional(s, 7, source.column);
    const HeardInfo* heard = source.heard ? &*source.heard : nullptr;
    BindOptional(s, 8, heard ? std::optional<double>(heard->seconds) : std::nullopt);
    BindOptional(s, 9, heard ? heard->levelDbfs : std::nullopt);
    BindOptional(s, 10, heard ? heard->ebN0Db : std::nullopt);
    BindOptionalText(s, 11, heard ? heard->utc : std::string());
    BindOptionalText(s, 12, source.finalAt);
    sqlite3_bind_int(s, 13, r.detail.fec);
    sqlite3_bind_int(s, 14, r.detail.noPatternLeft);
    const mod::BlockInfo& b = r.info;
    BindLatin1(s, 15, b.FromAddr);
    BindLatin1(s, 16, b.ToAddr);
    BindLatin1(s, 17, b.FromCountry);
    BindLatin1(s, 18, b.ToCountry);
    BindLatin1(s, 19, b.Func1);
    BindLatin1(s, 20, b.Func2);
    BindLatin1(s, 21, b.Message);
    sqlite3_bind_int(s, 22, b.Corrupted);
    sqlite3_bind_int(s, 23, r.headersPassed());
    sqlite3_bind_int64(s, 24, static_cast<sqlite3_int64>(r.detail.codewords.size()));
    sqlite3_bind_int64(s, 25, static_cast<sqlite3_int64>(r.codewordsFailed()));
    const bool positioned = r.nmea && r.nmea->hasPosition;
    if (r.nmea)
        BindLatin1(s, 26, r.nmea->sentenceType);
    else
        sqlite3_bind_null(s, 26);
    BindOptional(s, 27, positioned ? std::optional<double>(r.nmea->latitude) : std::nullopt);
    BindOptional(s, 28, positioned ? std::optional<double>(r.nmea->longitude) : std::nullopt);
    BindOptional(s, 29, positioned ? std::optional<int>(r.positionTrusted()) : std::nullopt);
    sqlite3_bind_int64(s, 30, ContentDigest(r));
    const std::string packed = PackDetail(r.detail);
    sqlite3_bind_blob(s, 31, packed.data(), static_cast<int>(packed.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(s) != SQLITE_DONE) {
        const FileError error(path_, Description(db_, path_));
        sqlite3_reset(s);
        throw error;
    }
    sqlite3_reset(s);
    if (sqlite3_changes(db_) == 1)
        ++added_;
    else
        ++known_;
}

void RecordStore::Store(std::span<const DecodedRecord> records) {
    const std::uint64_t addedBefore = added_;
    const std::uint64_t knownBefore = known_;
    try {
        Execute("BEGIN IMMEDIATE");
        for (const DecodedRecord& record : records)
            Insert(record);
        sqlite3_bind_int64(runCounts_, 1, static_cast<sqlite3_int64>(added_));
        sqlite3_bind_int64(runCounts_, 2, static_cast<sqlite3_int64>(known_));
        sqlite3_bind_int64(runCounts_, 3, run_);
        if (sqlite3_step(runCounts_) != SQLITE_DONE) {
            const FileError error(path_, Description(db_, path_));
            sqlite3_reset(runCounts_);
            throw error;
        }
        sqlite3_reset(runCounts_);
        Execute("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        added_ = addedBefore;
        known_ = knownBefore;
        throw;
    }
}

void RecordStore::Finish() {
    const Statement end(db_, "UPDATE runs SET ended_utc = ?1 WHERE id = ?2", path_);
    BindText(end.get(), 1, UtcNow());
    sqlite3_bind_int64(end.get(), 2, run_);
    if (sqlite3_step(end.get()) != SQLITE_DONE)
        Fail();
}

StoredHistory ReadStoredHistory(const std::string& path, std::size_t lastRecords) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        const std::string description = db != nullptr ? Description(db, path) : "cannot open";
        sqlite3_close(db);
        throw FileError(path, description);
    }
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    const auto fail = [&] { throw FileError(path, Description(db, path)); };
    StoredHistory history;
    try {
        {
            const Statement last(db, LastRecords, path);
            sqlite3_bind_int64(last.get(), 1, static_cast<sqlite3_int64>(lastRecords));
            int code = 0;
            while ((code = sqlite3_step(last.get())) == SQLITE_ROW)
                if (std::optional<DecodedRecord> record = RecordOfRow(last.get()))
                    history.records.push_back(std::move(*record));
            if (code != SQLITE_DONE)
                fail();
        }
        // Every unit over every record its headers vouch for, in one pass: counts, the
        // signal of its sent calls, its last trusted position.
        std::unordered_map<std::string, std::size_t> index;
        const auto unit = [&](const std::string& address) -> std::size_t {
            const auto [it, added] = index.emplace(address, history.units.size());
            if (added)
                history.units.push_back({address, 0, 0, {}, std::nullopt, std::nullopt});
            return it->second;
        };
        const Statement all(
            db,
            "SELECT id, from_addr, to_addr, file, channel_hz, line, col, "
            "heard_seconds, level_dbfs, ebn0_db, heard_utc, final_utc, "
            "position_trusted, lat, lon FROM records WHERE headers_passed ORDER BY id",
            path);
        int code = 0;
        while ((code = sqlite3_step(all.get())) == SQLITE_ROW) {
            sqlite3_stmt* s = all.get();
            DecodedRecord call;
            RecordSource& source = call.source;
            source.file = ColumnText(s, 3);
            if (sqlite3_column_type(s, 4) != SQLITE_NULL)
                source.channelHz = static_cast<std::uint64_t>(sqlite3_column_int64(s, 4));
            if (sqlite3_column_type(s, 5) != SQLITE_NULL)
                source.line = static_cast<std::uint64_t>(sqlite3_column_int64(s, 5));
            if (sqlite3_column_type(s, 6) != SQLITE_NULL)
                source.column = static_cast<std::uint64_t>(sqlite3_column_int64(s, 6));
            if (const std::optional<double> seconds = ColumnReal(s, 7)) {
                source.heard =
                    HeardInfo{*seconds, ColumnReal(s, 8), ColumnReal(s, 9), ColumnText(s, 10)};
            }
            source.finalAt = ColumnText(s, 11);
            const std::size_t from = unit(ColumnText(s, 1));
            ++history.units[from].sent;
            history.units[from].signal.Add(call);
            ++history.units[unit(ColumnText(s, 2))].received;
            if (sqlite3_column_int(s, 12) != 0) {
                history.units[from].latitude = ColumnReal(s, 13);
                history.units[from].longitude = ColumnReal(s, 14);
            }
        }
        if (code != SQLITE_DONE)
            fail();
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
    return history;
}

} // namespace vantrel
