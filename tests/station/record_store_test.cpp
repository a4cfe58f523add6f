// The database of --db: what goes in comes back whole, the natural key keeps a second run of
// the same input out and lets every other record in, and what the history tells of units.
#include "record_json_text.h"
#include "record_store.h"
#include "store_records.h"
#include "store_writer.h"

#include <gtest/gtest.h>

#include "file_error.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace vantrel {
namespace {

namespace fs = std::filesystem;

class RecordStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("vantrel-store-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string Path() const { return (folder_ / "records.db").string(); }

    // One run storing `records` in two transactions, as the store's thread does.
    std::pair<std::uint64_t, std::uint64_t> Run(const std::vector<DecodedRecord>& records) {
        RecordStore store(Path(), {"test", "input"});
        const std::size_t half = records.size() / 2;
        store.Store(std::span(records).first(half));
        store.Store(std::span(records).subspan(half));
        store.Finish();
        return {store.added(), store.known()};
    }

    fs::path folder_;
};

// The record as JSON Lines writes it, its log left out (the database keeps none).
std::string Json(DecodedRecord record) {
    record.info.Log = {};
    std::string out;
    AppendRecordJson(out, record);
    return out;
}

std::vector<DecodedRecord> Mixed() {
    RecordSource source;
    source.file = "r\xE9sum\xE9.txt"; // a Latin-1 name
    std::vector<DecodedRecord> records = test::RecordsOf(test::MixedBits(), source);
    // The places and times a run adds: a channel, sound heard by the clock, a followed record.
    records[1].source.channelHz = 446006250;
    records[2].source.heard = HeardInfo{12.345, -20.5, 14.25, "2026-12-07T21:03:48.123Z"};
    records[3].source.finalAt = "2026-12-07T21:04:00Z";
    records[3].source.line = 7;
    records[3].source.column = 12;
    return records;
}

TEST_F(RecordStoreTest, RecordsComeBackWhole) {
    const std::vector<DecodedRecord> records = Mixed();
    ASSERT_EQ(records.size(), 5U);
    ASSERT_TRUE(records[2].positionTrusted());
    ASSERT_FALSE(records[4].headersPassed());
    Run(records);
    const StoredHistory history = ReadStoredHistory(Path(), 3);
    ASSERT_EQ(history.records.size(), 3U); // the last three, oldest first
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(Json(history.records[i]), Json(records[i + 2]));
    EXPECT_EQ(history.records[0].mapLink, records[2].mapLink);
}

TEST_F(RecordStoreTest, UnitsOverEveryRecordTheirHeadersVouchFor) {
    Run(Mixed());
    const StoredHistory history = ReadStoredHistory(Path(), 1);
    std::vector<std::string> summary;
    for (const UnitSummary& unit : history.units)
        summary.push_back(unit.address + " " + std::to_string(unit.sent) + "/" +
                          std::to_string(unit.received) +
                          (unit.latitude ? " at " + std::to_string(*unit.latitude) : ""));
    // The corrupted call names no unit: 1234 sent two calls, not three.
    EXPECT_EQ(summary, (std::vector<std::string>{"1234 2/0", "1567 0/1", "8123 1/0", "29C4 0/1",
                                                 "4011 1/0 at 48.117300", "4001 0/1", "10C8 0/1"}));
    const UnitSummary& gps = history.units[4];
    EXPECT_EQ(gps.signal.calls, 1U);
    EXPECT_EQ(gps.signal.levelDbfs.median(), -20.5);
    EXPECT_EQ(gps.signal.last.heard->utc, "2026-12-07T21:03:48.123Z");
}

// A second run of the same input adds nothing; a record differing in any part of the key is
// another record.
TEST_F(RecordStoreTest, TheNaturalKeyKeepsOutOnlyTheSameRecord) {
    const std::vector<DecodedRecord> records = Mixed();
    EXPECT_EQ(Run(records), std::make_pair(std::uint64_t{5}, std::uint64_t{0}));
    EXPECT_EQ(Run(records), std::make_pair(std::uint64_t{0}, std::uint64_t{5}));

    struct Case {
        const char* what;
        void (*change)(DecodedRecord&);
    };
    const Case others[] = {
        {"another file", [](DecodedRecord& r) { r.source.file = "other.txt"; }},
        {"another channel", [](DecodedRecord& r) { r.source.channelHz = 1; }},
        {"another place", [](DecodedRecord& r) { r.detail.syncPosition += 1; }},
        {"heard at another time",
         [](DecodedRecord& r) {
             r.source.heard = HeardInfo{0, {}, {}, "x"};
         }},
        {"another block at the same place", [](DecodedRecord& r) { r.detail.headers[0].to ^= 1; }},
        {"the same block failing another check",
         [](DecodedRecord& r) { r.detail.codewords[0].remainder ^= 1; }},
    };
    for (const Case& other : others) {
        DecodedRecord changed = records[0];
        other.change(changed);
        EXPECT_EQ(Run({changed}), std::make_pair(std::uint64_t{1}, std::uint64_t{0})) << other.what;
    }
    // What is not in the key: the number (file or arrival order), the time it became final.
    DecodedRecord renumbered = records[0];
    renumbered.number = 9;
    renumbered.source.finalAt = "2026-12-08T00:00:00Z";
    EXPECT_EQ(Run({renumbered}), std::make_pair(std::uint64_t{0}, std::uint64_t{1}));
}

// The writer's thread takes records from several threads at once and stores each once.
TEST_F(RecordStoreTest, TheWriterStoresWhatSeveralThreadsHandIt) {
    std::vector<DecodedRecord> records;
    for (int copy = 0; copy < 3000; ++copy) {
        DecodedRecord r = Mixed()[copy % 5];
        r.detail.syncPosition = static_cast<std::size_t>(copy);
        records.push_back(std::move(r));
    }
    std::vector<std::string> notices;
    StoreWriter writer(std::make_unique<RecordStore>(Path(), StoreRun{"test", "input"}),
                       [&notices](std::string_view line) { notices.emplace_back(line); });
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < 3; ++t)
        threads.emplace_back([&, t] {
            for (std::size_t i = t; i < records.size(); i += 3)
                writer.Add(records[i]);
        });
    for (std::thread& thread : threads)
        thread.join();
    const StoreOutcome outcome = writer.Close();
    EXPECT_EQ(outcome.added, 3000U);
    EXPECT_FALSE(outcome.lost);
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(ReadStoredHistory(Path(), 10000).records.size(), 3000U);
}

TEST_F(RecordStoreTest, AFileOfAnotherKindIsOneLine) {
    { std::ofstream(Path()) << "not a database, but a text a user gave by mistake\n"; }
    try {
        RecordStore store(Path(), {"test", "input"});
        FAIL() << "opened";
    } catch (const FileError& error) {
        EXPECT_EQ(error.description(), "file is not a database");
    }
}

} // namespace
} // namespace vantrel
