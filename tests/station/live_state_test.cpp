// The live state: a bounded history numbered as the records came, and units summed up by the
// statistics' rule (only headers that passed name units), whatever the history forgot.
#include "live_json.h"
#include "live_state.h"
#include "station_records.h"

#include <gtest/gtest.h>

namespace {

using station_test::Call;
using station_test::Record;

TEST(LiveState, KeepsTheNewestRecordsNumberedAsTheyCame) {
    vantrel::LiveState state(3);
    for (int n = 1; n <= 5; ++n)
        state.Add(Record(Call{}, n));
    EXPECT_EQ(state.recordsSeen(), 5U);
    EXPECT_EQ(state.oldestHeld(), 2U);
    for (std::uint64_t number = 2; number < 5; ++number) {
        EXPECT_EQ(state.Held(number).number, static_cast<std::int64_t>(number + 1));
        // The page shows no log, and a history of long logs would be a history of logs.
        EXPECT_TRUE(state.Held(number).info.Log.empty());
    }
}

TEST(LiveState, SumsUpUnitsBeyondTheHistory) {
    vantrel::LiveState state(1);
    state.Add(Record(Call{.from = "1111", .to = "2222", .levelDbfs = -20.04, .ebN0Db = 10}));
    state.Add(Record(Call{.from = "1111",
                          .to = "2222",
                          .latitude = 48.1,
                          .longitude = 11.5,
                          .levelDbfs = -30,
                          .ebN0Db = 12}));
    state.Add(Record(Call{.from = "2222", .to = "1111"}));
    // A failed header names no unit: its address may be noise, so it counts nowhere.
    state.Add(Record(Call{.from = "9999", .to = "1111", .headerFailed = true}));
    state.Add(Record(Call{.from = "1111", .to = "2222", .levelDbfs = -10, .ebN0Db = 8}));

    ASSERT_EQ(state.units().size(), 2U);
    const vantrel::UnitSummary& first = state.units()[0];
    EXPECT_EQ(first.address, "1111");
    EXPECT_EQ(first.sent, 3U);
    EXPECT_EQ(first.received, 1U);
    EXPECT_EQ(first.latitude, 48.1); // the last position stays while later calls send none
    EXPECT_EQ(first.signal.levelDbfs.min(), -30.0);
    EXPECT_EQ(first.signal.levelDbfs.median(), -20.0);
    EXPECT_EQ(first.signal.ebN0Db.median(), 10.0);
    EXPECT_EQ(state.units()[1].sent, 1U);
    EXPECT_EQ(state.units()[1].received, 3U);
    EXPECT_FALSE(state.units()[1].latitude.has_value());
}

// A database's history: its units already count every stored record, so the records loaded
// with them are held, not counted again; this run's records then count on.
TEST(LiveState, StartsFromAnEarlierRunsHistory) {
    vantrel::UnitSummary stored;
    stored.address = "1111";
    stored.sent = 40;
    stored.received = 2;
    vantrel::LiveState state(2);
    const std::vector<vantrel::DecodedRecord> past = {Record(Call{.from = "1111"}, 1),
                                                      Record(Call{.from = "1111"}, 2),
                                                      Record(Call{.from = "1111"}, 3)};
    state.Load(past, std::span(&stored, 1));
    EXPECT_EQ(state.recordsSeen(), 3U);
    EXPECT_EQ(state.Held(2).info.FromAddr, "1111");
    EXPECT_TRUE(state.Held(2).info.Log.empty());
    state.Add(Record(Call{.from = "1111", .to = "2222"}));
    ASSERT_EQ(state.units().size(), 2U);
    EXPECT_EQ(state.units()[0].sent, 41U);
    EXPECT_EQ(state.units()[0].received, 2U);
    EXPECT_EQ(state.units()[1].received, 1U);
}

TEST(LiveState, TellsEachChangedUnitOnce) {
    vantrel::LiveState state(10);
    state.Add(Record(Call{.from = "1111", .to = "2222"}));
    state.Add(Record(Call{.from = "2222", .to = "1111"}));
    EXPECT_EQ(state.TakeChangedUnits(), (std::vector<std::size_t>{0, 1}));
    EXPECT_TRUE(state.TakeChangedUnits().empty());
    state.Add(Record(Call{.from = "3333", .to = "2222"}));
    EXPECT_EQ(state.TakeChangedUnits(), (std::vector<std::size_t>{2, 1}));
}

// A text from the air, or a file name, may hold anything: each event stays one event of one
// data line, whatever the text holds (a line end would end the data, a blank line the event).
TEST(LiveJson, AnEventIsOneDataLineWhateverTheTextsHold) {
    vantrel::LiveState state(10);
    state.Add(Record(Call{.message = "a\r\nevent: state\n\ndata: {}\u2028</script>",
                          .file = "x\r\ndata: y\n\n.txt"}));
    const std::size_t units[] = {0, 1};
    for (const std::string& data :
         {vantrel::StateJson(state, true), vantrel::NewsJson(state, 0, 0, units)}) {
        const std::string event = vantrel::ServerSentEvent("news", data);
        EXPECT_EQ(event.find_first_of("\r\n"), event.find('\n')) << event;
        EXPECT_EQ(event.find("\n\n"), event.size() - 2) << event;
        EXPECT_EQ(std::count(event.begin(), event.end(), '\n'), 3) << event;
    }
}

} // namespace
