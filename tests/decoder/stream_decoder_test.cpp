// The streaming decoder on bit strings: the count ahead, the follow rule, and the records it
// hands out compared with DecodeStream's.
#include "encoder.h"
#include "modETSI300230.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using encoder::Sync;
using modETSI300230::BlockInfo;
using modETSI300230::SharedText;
using modETSI300230::StreamDecoder;
using modETSI300230::StreamEvents;
using modETSI300230::SyncCounter;
using modETSI300230::SyncRule;

struct Streamed {
    std::vector<BlockInfo> blocks;                   // each with its whole log put together
    std::vector<modETSI300230::BlockDetail> details; // positions in the whole bit string
    std::int64_t count = 0;
};

// Decodes `bits` in pieces of `piece` characters under `rule`; the count comes from a
// counting pass as in the command-line tool, which hands the decode the first `known`
// pattern windows it met.
Streamed Decode(const std::string& bits, SyncRule rule, std::size_t piece, std::size_t known = 0) {
    SyncCounter counter(rule, known);
    for (std::size_t at = 0; at < bits.size(); at += piece)
        counter.Feed(std::string_view(bits).substr(at, piece));
    Streamed out;
    out.count = counter.Count();
    std::string log;
    StreamEvents events;
    events.details = true;
    events.blockStart = [&](std::int64_t number, modETSI300230::SyncFinder::Hit,
                            const BlockInfo& record, std::string_view head,
                            const modETSI300230::BlockDetail* detail) {
        EXPECT_EQ(number, static_cast<std::int64_t>(out.blocks.size()) + 1);
        out.blocks.push_back(record);
        EXPECT_NE(detail, nullptr);
        out.details.push_back(detail != nullptr ? *detail : modETSI300230::BlockDetail{});
        log = head;
    };
    events.trailer = [&](std::string_view text) { log += text; };
    events.recordEnd = [&] { out.blocks.back().Log = SharedText(log + "\r\n"); };
    events.noPatternLeft = [&](std::int64_t first, std::int64_t last, std::string_view head,
                               std::uint64_t tailFrom) {
        for (std::int64_t n = first; n <= last; ++n) {
            BlockInfo record;
            record.Log = SharedText(std::string(head) + bits.substr(tailFrom) + "\r\n");
            out.blocks.push_back(record);
            modETSI300230::BlockDetail detail;
            detail.noPatternLeft = true;
            detail.restPosition = tailFrom;
            out.details.push_back(detail);
        }
    };
    StreamDecoder decoder(rule, counter.LastNoFec(),
                          rule == SyncRule::WholeFile ? counter.Count() : -1, events);
    if (known > 0)
        decoder.UseKnownSyncs(counter.TakeKnown());
    for (std::size_t at = 0; at < bits.size(); at += piece)
        decoder.Feed(std::string_view(bits).substr(at, piece));
    decoder.Finish();
    return out;
}

std::string Noise(std::mt19937& random, std::size_t size) {
    std::string text;
    for (std::size_t i = 0; i < size; ++i)
        text.push_back(random() % 2 != 0 ? '1' : '0');
    return text;
}

encoder::Header Unit(std::uint32_t from) {
    encoder::Header header;
    header.from = from;
    return header;
}

// SyncNoFec blocks first, then SyncFec blocks: no SyncNoFec follows a SyncFec.
std::string NoFecThenFec(std::mt19937& random) {
    std::string bits = Noise(random, 100);
    for (std::uint32_t i = 0; i < 4; ++i)
        bits += encoder::CallBlock(Unit(i), Sync::NoFec) + Noise(random, 300);
    bits += encoder::ShortDataBlock(Unit(9), "$GPRMC,1", Sync::Fec) + Noise(random, 50);
    for (std::uint32_t i = 0; i < 3; ++i)
        bits += encoder::CallBlock(Unit(0x100 + i), Sync::Fec) + Noise(random, 200);
    return bits;
}

TEST(StreamDecoder, WholeFileRuleGivesDecodeStreamsRecordsInEveryPieceSize) {
    std::mt19937 random(3);
    // SyncFec blocks before a SyncNoFec block, which the whole-file rule passes over.
    std::string bits = encoder::CallBlock(Unit(1), Sync::Fec) + Noise(random, 400) +
                       encoder::CallBlock(Unit(2), Sync::Fec) + NoFecThenFec(random);
    std::vector<BlockInfo> expected;
    std::vector<modETSI300230::BlockDetail> expectedDetails;
    std::int32_t count = 0;
    modETSI300230::DecodeStream(bits, expected, count, expectedDetails);
    for (const std::size_t piece :
         {std::size_t{1}, std::size_t{7}, std::size_t{1000}, bits.size()}) {
        const Streamed got = Decode(bits, SyncRule::WholeFile, piece);
        EXPECT_EQ(got.count, count);
        EXPECT_EQ(got.blocks, expected) << "pieces of " << piece;
        // The details count from the start of the whole bit string, not the decoder's window.
        EXPECT_EQ(got.details, expectedDetails) << "pieces of " << piece;
    }
}

// The windows the count met spare the decode its search: all of them, or the first few with
// the rest scanned, under either rule, give the records of the plain decode. The bits hold
// passed-over SyncFec blocks and a pattern inside a header codeword.
TEST(StreamDecoder, KnownPatternWindowsGiveTheSameRecords) {
    std::mt19937 random(5);
    const std::string first = encoder::CallBlock(Unit(5), Sync::NoFec);
    const std::string bits = encoder::CallBlock(Unit(1), Sync::Fec) + Noise(random, 400) +
                             first.substr(0, 40) + std::string(modETSI300230::SyncNoFec) +
                             first.substr(40) + NoFecThenFec(random);
    for (const SyncRule rule : {SyncRule::WholeFile, SyncRule::Arrival}) {
        const Streamed plain = Decode(bits, rule, bits.size());
        ASSERT_GE(plain.blocks.size(), 8U);
        for (const std::size_t known : {std::size_t{1}, std::size_t{4}, std::size_t{1000}})
            for (const std::size_t piece :
                 {std::size_t{1}, std::size_t{29}, std::size_t{700}, bits.size()}) {
                const Streamed got = Decode(bits, rule, piece, known);
                EXPECT_EQ(got.count, plain.count);
                EXPECT_EQ(got.blocks, plain.blocks) << known << " known, pieces of " << piece;
                EXPECT_EQ(got.details, plain.details) << known << " known, pieces of " << piece;
            }
    }
}

TEST(StreamDecoder, FollowRuleEqualsWholeFileWhereNoSyncNoFecFollowsASyncFec) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
        std::mt19937 random(seed);
        const std::string bits = NoFecThenFec(random);
        std::vector<BlockInfo> expected;
        std::int32_t count = 0;
        modETSI300230::DecodeStream(bits, expected, count);
        ASSERT_EQ(count, 8);
        const Streamed got = Decode(bits, SyncRule::Arrival, 64);
        EXPECT_EQ(got.count, count);
        EXPECT_EQ(got.blocks, expected) << "seed " << seed;
    }
}

TEST(StreamDecoder, FollowRuleTakesSyncFecBlocksTheWholeFileRulePassesOver) {
    std::mt19937 random(11);
    const std::string bits = encoder::CallBlock(Unit(0x111), Sync::Fec) + Noise(random, 300) +
                             encoder::CallBlock(Unit(0x222), Sync::NoFec) + Noise(random, 300);
    SyncCounter counter(SyncRule::WholeFile);
    counter.Feed(bits);
    EXPECT_EQ(counter.FecPassedOver(), 1U);
    EXPECT_EQ(counter.Count(), 1);

    const Streamed whole = Decode(bits, SyncRule::WholeFile, 100);
    ASSERT_EQ(whole.blocks.size(), 1U);
    EXPECT_EQ(whole.blocks[0].FromAddr, "1222");
    const Streamed live = Decode(bits, SyncRule::Arrival, 100);
    ASSERT_EQ(live.blocks.size(), 2U);
    EXPECT_EQ(live.blocks[0].FromAddr, "1111");
    EXPECT_EQ(live.blocks[1].FromAddr, "1222");
}

TEST(StreamDecoder, RecordsAfterTheLastDecodableBlockShareTheTail) {
    // A second pattern inside the first block's header: counted, never decoded.
    const std::string first = encoder::CallBlock(Unit(5), Sync::NoFec);
    std::string bits = first.substr(0, 40) + std::string(modETSI300230::SyncNoFec) +
                       first.substr(40) + std::string(3000, '0');
    std::vector<BlockInfo> expected;
    std::vector<modETSI300230::BlockDetail> expectedDetails;
    std::int32_t count = 0;
    modETSI300230::DecodeStream(bits, expected, count, expectedDetails);
    ASSERT_EQ(count, 2);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{500}}) {
        const Streamed got = Decode(bits, SyncRule::WholeFile, piece);
        EXPECT_EQ(got.blocks, expected);
        EXPECT_EQ(got.details, expectedDetails);
        ASSERT_EQ(got.blocks.size(), 2U);
        EXPECT_TRUE(got.blocks[1].Log.str().ends_with(std::string(3000, '0') + "\r\n"));
    }
}

TEST(StreamDecoder, HoldsOnlyWhatABlockNeedsAcrossALongTrailer) {
    // A long run with no pattern: the trailer goes out in pieces as it is read.
    const std::string bits = encoder::CallBlock(Unit(5)) + std::string(1'000'000, '0');
    std::size_t largestPiece = 0;
    std::size_t trailer = 0;
    StreamEvents events;
    events.trailer = [&](std::string_view text) {
        largestPiece = std::max(largestPiece, text.size());
        trailer += text.size();
    };
    StreamDecoder decoder(SyncRule::Arrival, std::nullopt, -1, events);
    for (std::size_t at = 0; at < bits.size(); at += 4096)
        decoder.Feed(std::string_view(bits).substr(at, 4096));
    decoder.Finish();
    EXPECT_EQ(trailer, 1'000'000U);
    EXPECT_LE(largestPiece, 4096U + modETSI300230::BlockReach);
}

// A live channel that goes quiet: the open record ends at once with the characters held as its
// trailer; a block still waiting for characters is decoded with those there are; a pattern
// the pause cut in two is still found afterwards.
TEST(StreamDecoder, EndRecordMakesTheRecordFinalAndDecodingGoesOn) {
    std::vector<std::string> froms;
    std::vector<std::string> logs;
    std::string log;
    StreamEvents events;
    events.blockStart = [&](std::int64_t, modETSI300230::SyncFinder::Hit, const BlockInfo& record,
                            std::string_view head, const modETSI300230::BlockDetail*) {
        froms.push_back(record.FromAddr);
        log = head;
    };
    events.trailer = [&](std::string_view text) { log += text; };
    events.recordEnd = [&] { logs.push_back(log); };
    StreamDecoder decoder(SyncRule::Arrival, std::nullopt, -1, events);

    decoder.Feed(encoder::CallBlock(Unit(0x111)) + "0110");
    EXPECT_TRUE(logs.empty()); // the trailer could go on
    decoder.EndRecord();
    ASSERT_EQ(logs.size(), 1U);
    EXPECT_TRUE(logs[0].ends_with("0110")) << logs[0];
    decoder.EndRecord(); // nothing open: nothing more
    EXPECT_EQ(logs.size(), 1U);

    const std::string second = encoder::CallBlock(Unit(0x222));
    decoder.Feed(second.substr(0, 20)); // the pause falls inside the pattern
    decoder.EndRecord();
    decoder.Feed(second.substr(20));
    encoder::Header message = Unit(0x333);
    message.function = encoder::ShortData;
    const std::string cut = encoder::ShortDataBlock(message, "a message of some length");
    decoder.Feed(cut.substr(0, cut.size() - 64)); // its last data codeword missing
    EXPECT_EQ(froms.size(), 2U);
    decoder.EndRecord();
    ASSERT_EQ(froms.size(), 3U);
    EXPECT_EQ(froms[1], "1222");
    EXPECT_EQ(froms[2], "1333");
    EXPECT_EQ(logs.size(), 3U);
    decoder.Finish();
    EXPECT_EQ(logs.size(), 3U);
}

} // namespace
