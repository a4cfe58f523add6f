// Statistics of a stream built with known damage: every count follows from how it was made.
#include "encoder.h"
#include "record_json.h"
#include "record_json_text.h"
#include "record_stats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace vantrel {
// Found by the test framework for its messages.
void PrintTo(const UnitCount& u, std::ostream* out) {
    *out << u.address << " " << u.sent << "/" << u.received;
}
} // namespace vantrel

namespace {

using encoder::Header;
using encoder::Sync;
namespace mod = modETSI300230;

const std::string GoodRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
const std::string BadRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*00";
const std::string Text = "HELLO WORLD TEXT";

std::size_t DataWords(const std::string& text) {
    return encoder::ShortDataCodewords(text).size();
}

// Function 6, country 6, common 12 and From 12 bits: the 36th bit is From's last.
constexpr std::size_t FromAddressLastBit = 35;

struct Damaged {
    std::string bits;
    std::uint64_t codewordsRead = 0;
};

// A good call; the same call with its header broken; a good and a bad GPS sentence; a
// text with a broken data codeword; an extended call; a message announcing two more data
// codewords than it has, which swallows the call after it (counted, never decoded) and is
// cut by the end.
Damaged MakeDamaged() {
    Damaged d;
    const Header call{encoder::NormalCall, 10, 1, 0x234, 0x567};
    d.bits += encoder::CallBlock(call) + "0101";
    d.bits += encoder::Block(Sync::NoFec, {encoder::Corrupt(encoder::HeaderCodeword(call), 5)});
    d.bits += encoder::ShortDataBlock({encoder::ShortData, 10, 1, 0x235, 0x567}, GoodRmc);
    // The good sentence again under a header whose last From bit flipped (0x235 read as
    // 0x234): a position, but of no unit the header vouches for.
    std::vector<std::string> underBrokenHeader{encoder::Corrupt(
        encoder::HeaderCodeword({encoder::ShortData, 10, 1, 0x235, 0x567}), FromAddressLastBit)};
    for (const std::string& w : encoder::ShortDataCodewords(GoodRmc))
        underBrokenHeader.push_back(w);
    d.bits += encoder::Block(Sync::NoFec, underBrokenHeader);
    d.bits += encoder::ShortDataBlock({encoder::ShortData, 10, 1, 0x236, 0x567}, BadRmc);
    std::vector<std::string> words{
        encoder::HeaderCodeword({encoder::ShortData, 10, 1, 0x237, 0x567})};
    for (const std::string& w : encoder::ShortDataCodewords(Text))
        words.push_back(w);
    words[2] = encoder::Corrupt(words[2], 17);
    d.bits += encoder::Block(Sync::NoFec, words);
    d.bits +=
        encoder::ExtendedBlock({encoder::ExternalAddressing, 10, 1, 0x238, encoder::AllCallTo},
                               {encoder::NormalCall, 12, 2, 0xFFF, 0x789});
    const std::vector<std::string> threeWords = encoder::ShortDataCodewords(std::string(17, 'Z'));
    EXPECT_EQ(threeWords.size(), 3U);
    d.bits += encoder::Block(
        Sync::NoFec,
        {encoder::HeaderCodeword({encoder::ShortData, 10, 1, 0x239, 0x567}), threeWords[0]});
    d.bits += encoder::CallBlock({encoder::NormalCall, 10, 1, 0x23A, 0x567});
    d.codewordsRead = 1 + 1 + 2 * (1 + DataWords(GoodRmc)) + (1 + DataWords(BadRmc)) +
                      (1 + DataWords(Text)) + 2 + (1 + 3);
    return d;
}

struct Decoded {
    std::vector<mod::BlockInfo> blocks;
    std::vector<mod::BlockDetail> details;
};

Decoded Decode(const std::string& bits) {
    Decoded d;
    std::int32_t count = 0;
    mod::DecodeStream(bits, d.blocks, count, d.details);
    return d;
}

vantrel::RecordStats StatsOf(const std::string& bits) {
    const Decoded d = Decode(bits);
    vantrel::RecordStats stats;
    for (std::size_t i = 0; i < d.details.size(); ++i)
        stats.Add(vantrel::MakeRecord(static_cast<std::int64_t>(i + 1), d.blocks[i], d.details[i]));
    return stats;
}

const std::vector<vantrel::UnitCount> ExpectedUnits = {
    {"1234", 1, 0}, {"1567", 0, 5}, {"1235", 1, 0}, {"1236", 1, 0},
    {"1237", 1, 0}, {"1238", 1, 0}, {"2789", 0, 1}, {"1239", 1, 0},
};

TEST(RecordStats, CountsTheKnownDamage) {
    const Damaged d = MakeDamaged();
    const vantrel::RecordStats s = StatsOf(d.bits);
    EXPECT_EQ(s.syncPatterns, 9U);
    EXPECT_EQ(s.blocksDecoded, 8U);
    EXPECT_EQ(s.noPatternLeft, 1U);
    EXPECT_EQ(s.corruptedBlocks, 4U);
    EXPECT_EQ(s.codewordsRead, d.codewordsRead);
    // The two broken headers, the broken text codeword, the swallowed pattern, the cut
    // codeword.
    EXPECT_EQ(s.codewordsFailed, 5U);
    EXPECT_DOUBLE_EQ(s.codewordErrorRate(), 5.0 / static_cast<double>(d.codewordsRead));
    EXPECT_EQ(s.shortDataMessages, 5U);
    EXPECT_EQ(s.nmeaChecksumGood, 2U);
    EXPECT_EQ(s.nmeaChecksumBad, 1U);
    EXPECT_EQ(s.positions, 2U);
    // The map formats show only the position under a sound header.
    EXPECT_EQ(s.positionsTrusted, 1U);
    EXPECT_EQ(s.patternsPassedOver, 0U);
    // The broken header's addresses are not a unit; the rest in the order first seen.
    EXPECT_EQ(s.units, ExpectedUnits);
}

// Every counter of RecordStats, for checks that must not leave one out.
const std::pair<const char*, std::uint64_t vantrel::RecordStats::*> Counters[] = {
    {"syncPatterns", &vantrel::RecordStats::syncPatterns},
    {"blocksDecoded", &vantrel::RecordStats::blocksDecoded},
    {"noPatternLeft", &vantrel::RecordStats::noPatternLeft},
    {"corruptedBlocks", &vantrel::RecordStats::corruptedBlocks},
    {"codewordsRead", &vantrel::RecordStats::codewordsRead},
    {"codewordsFailed", &vantrel::RecordStats::codewordsFailed},
    {"shortDataMessages", &vantrel::RecordStats::shortDataMessages},
    {"nmeaChecksumGood", &vantrel::RecordStats::nmeaChecksumGood},
    {"nmeaChecksumBad", &vantrel::RecordStats::nmeaChecksumBad},
    {"positions", &vantrel::RecordStats::positions},
    {"positionsTrusted", &vantrel::RecordStats::positionsTrusted},
    {"patternsPassedOver", &vantrel::RecordStats::patternsPassedOver},
};

// Both files count something in every counter, and each counter its own number in the
// second, so a counter left out, taken from one file only or summed into another shows.
TEST(RecordStats, TotalsAddEveryCounterAndMergeUnits) {
    vantrel::RecordStats first = StatsOf(MakeDamaged().bits);
    first.patternsPassedOver = 2;
    vantrel::RecordStats second = StatsOf(encoder::CallBlock({10, 10, 1, 0x999, 0x234}));
    std::uint64_t own = 100;
    for (const auto& [name, counter] : Counters) {
        ASSERT_NE(first.*counter, 0U) << name;
        second.*counter = own;
        own += 100;
    }
    vantrel::RecordStats total;
    total.Add(first);
    total.Add(second);
    for (const auto& [name, counter] : Counters)
        EXPECT_EQ(total.*counter, first.*counter + second.*counter) << name;
    std::vector<vantrel::UnitCount> units = ExpectedUnits;
    units[0].received = 1; // "1234" also received the second file's call
    units.push_back({"1999", 1, 0});
    EXPECT_EQ(total.units, units);
}

// A busy channel: far more units than the table starts with, all addresses of one length,
// each seen again and again; counted against a plain search through the units seen.
TEST(RecordStats, ManyUnitsEachCountedOnItsOwn) {
    vantrel::RecordStats stats;
    std::vector<vantrel::UnitCount> expected;
    for (std::uint32_t i = 0; i < 1500; ++i) {
        const std::uint32_t from = 0x100 + (i * 7) % 600;
        const vantrel::RecordStats one = StatsOf(encoder::CallBlock({10, 10, 1, from, 0x0FE}));
        ASSERT_EQ(one.units.size(), 2U);
        for (const vantrel::UnitCount& u : one.units) {
            auto seen =
                std::find_if(expected.begin(), expected.end(),
                             [&](const vantrel::UnitCount& e) { return e.address == u.address; });
            if (seen == expected.end())
                seen = expected.insert(expected.end(), {u.address, 0, 0});
            seen->sent += u.sent;
            seen->received += u.received;
        }
        stats.Add(one);
    }
    EXPECT_EQ(expected.size(), 601U);
    EXPECT_EQ(stats.units, expected);
}

// A channel of ever new addresses: the list stops at its limit, the units listed go on being
// counted, and every block of a unit left out is counted once for its sender and once for its
// receiver, in the file's statistics, in the run's total and in what each output shows.
TEST(RecordStats, UnitsListStopsAtItsLimitAndSaysHowMuchWasLeftOut) {
    const vantrel::DecodedRecord call =
        vantrel::MakeRecord(1, Decode(encoder::CallBlock({10, 10, 1, 0x234, 0x567})).blocks[0],
                            Decode(encoder::CallBlock({10, 10, 1, 0x234, 0x567})).details[0]);
    vantrel::RecordStats stats;
    vantrel::DecodedRecord record = call;
    const auto send = [&](std::size_t from, std::size_t to) {
        record.info.FromAddr = "F" + std::to_string(from);
        record.info.ToAddr = "T" + std::to_string(to);
        stats.Add(record);
    };
    for (std::size_t i = 0; i < vantrel::UnitsListed / 2; ++i)
        send(i, i);
    EXPECT_EQ(stats.unitsNotListed, 0U);
    send(0, vantrel::UnitsListed); // a listed sender to a new receiver
    send(vantrel::UnitsListed, 1); // a new sender to a listed receiver
    send(vantrel::UnitsListed + 1, vantrel::UnitsListed + 2);
    ASSERT_EQ(stats.units.size(), vantrel::UnitsListed);
    EXPECT_EQ(stats.unitsNotListed, 4U);
    EXPECT_EQ(stats.units[0], (vantrel::UnitCount{"F0", 2, 0}));
    EXPECT_EQ(stats.units[3], (vantrel::UnitCount{"T1", 0, 2}));
    EXPECT_EQ(stats.units.back().address, "T" + std::to_string(vantrel::UnitsListed / 2 - 1));

    vantrel::RecordStats total;
    total.Add(stats);
    total.Add(stats);
    EXPECT_EQ(total.unitsNotListed, 8U);
    EXPECT_EQ(total.units.size(), vantrel::UnitsListed);
    EXPECT_EQ(total.units[0], (vantrel::UnitCount{"F0", 4, 0}));
    // A total full of one file's units leaves the other file's new units out, counted.
    vantrel::RecordStats other;
    other.Add(call);
    total.Add(other);
    EXPECT_EQ(total.unitsNotListed, 10U);

    std::string json;
    vantrel::AppendStatsJson(json, stats);
    EXPECT_EQ(json, vantrel::StatsJson(stats).dump());
    EXPECT_TRUE(json.ends_with("}],\"unitsNotListed\":4}")) << json.substr(json.size() - 60);
    EXPECT_LT(json.size(), std::size_t{64} << 20);
    EXPECT_NE(vantrel::StatsText(stats, "f").find("units; 4 sent / received by units not listed"),
              std::string::npos);
    std::string whole;
    vantrel::AppendStatsJson(whole, other);
    EXPECT_EQ(whole.find("unitsNotListed"), std::string::npos);
}

TEST(RecordStats, NothingReadHasNoErrorRate) {
    const vantrel::RecordStats s = StatsOf("0101");
    EXPECT_EQ(s.syncPatterns, 0U);
    EXPECT_EQ(s.codewordErrorRate(), 0.0);
}

TEST(StatsText, ShowsEveryCountAndTheRate) {
    vantrel::RecordStats s = StatsOf(MakeDamaged().bits);
    s.patternsPassedOver = 2;
    const std::string text = StatsText(s, "rx\xE9.txt");
    EXPECT_NE(text.find("Statistics: rx\xC3\xA9.txt\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  corrupted blocks            4\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  patterns passed over        2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  codewords failed            5\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  positions                   2\n  positions trusted (mapped)  1\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  units (sent / received)     8\n    1234      1 / 0\n"),
              std::string::npos)
        << text;
}

} // namespace

namespace {

// A call whose header passed, from `from`, heard over sound when `level` is given, else read
// from a bit text; `headerFailed` breaks the header.
vantrel::DecodedRecord HeardCall(const std::string& from, std::optional<double> level,
                                 double seconds = 0, bool headerFailed = false) {
    vantrel::DecodedRecord r;
    r.info.FromAddr = from;
    r.info.ToAddr = "1567";
    r.detail.headers.emplace_back();
    r.detail.codewords.push_back({});
    r.detail.codewords.back().failed = headerFailed;
    r.source.file = "rx.wav";
    if (level)
        r.source.heard = vantrel::HeardInfo{seconds, *level, *level + 30, ""};
    else
        r.source.line = 3;
    return r;
}

// The signal of the units heard over sound, per file and over the run: calls of another
// unit, a unit only read from a bit text or only addressed, and a failed header take no part.
TEST(RecordStats, SignalOfEachUnitHeardOverTheRun) {
    vantrel::RecordStats first;
    for (const double level : {-10.0, -30.0, -20.0})
        first.Add(HeardCall("1234", level, 1 - level));
    first.Add(HeardCall("1234", -5.0, 99, true));
    first.Add(HeardCall("4011", std::nullopt));
    first.Add(HeardCall("2000", -40.0, 7));
    // Two calls at a level the first file has heard: one tenth counted three times.
    vantrel::RecordStats second;
    second.Add(HeardCall("1234", -30.0, 3));
    second.Add(HeardCall("1234", -30.0, 4));
    vantrel::RecordStats total;
    total.Add(first);
    total.Add(second);

    struct Case {
        const vantrel::RecordStats* stats;
        std::size_t unit;    // index in `units`
        std::uint64_t calls; // 0: no signal
        double min, median, max, lastSeconds;
    };
    ASSERT_EQ(total.units.size(), 4U); // 1234, 1567, 4011, 2000
    for (const Case& c : {Case{&first, 0, 3, -30, -20, -10, 21}, Case{&first, 1, 0, 0, 0, 0, 0},
                          Case{&first, 2, 0, 0, 0, 0, 0}, Case{&first, 3, 1, -40, -40, -40, 7},
                          Case{&total, 0, 5, -30, -30, -10, 4}}) {
        const vantrel::HeardSignal* signal = c.stats->SignalOf(c.unit);
        ASSERT_EQ(signal != nullptr, c.calls > 0) << c.unit;
        if (signal == nullptr)
            continue;
        EXPECT_EQ(signal->calls, c.calls) << c.unit;
        EXPECT_EQ(signal->levelDbfs.min(), c.min) << c.unit;
        EXPECT_EQ(signal->levelDbfs.median(), c.median) << c.unit;
        EXPECT_EQ(signal->levelDbfs.max(), c.max) << c.unit;
        EXPECT_EQ(signal->ebN0Db.median(), c.median + 30) << c.unit;
        EXPECT_EQ(signal->last.heard->seconds, c.lastSeconds) << c.unit;
    }
    EXPECT_EQ(total.unitsHeard(), 2U);
}

// The lines of a run without sound keep their bytes; the units heard follow them.
TEST(StatsText, UnitsHeardFollowTheUnitsLines) {
    vantrel::RecordStats read;
    vantrel::RecordStats heard;
    for (const double level : {-10.0, -30.0, -20.0}) {
        read.Add(HeardCall("1234", std::nullopt));
        heard.Add(HeardCall("1234", level, 1 - level));
    }
    heard.Add(HeardCall("4011", std::nullopt));
    read.Add(HeardCall("4011", std::nullopt));
    const std::string without = StatsText(read, "rx");
    const std::string with = StatsText(heard, "rx");
    EXPECT_EQ(without.find("units heard"), std::string::npos) << without;
    ASSERT_EQ(with.compare(0, without.size(), without), 0) << with;
    EXPECT_EQ(with.substr(without.size()),
              "  units heard (level dBFS, Eb/N0 dB: least / median / greatest; last heard)  1\n"
              "    1234       -30.0 / -20.0 / -10.0      0.0 /  10.0 /  20.0   "
              "21.000 s into rx.wav\n");
}

} // namespace
