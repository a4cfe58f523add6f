#include "stream_helpers.h"

#include <gtest/gtest.h>

#include <array>

using namespace modETSI300230;
using namespace testing_helpers;
using encoder::Header;
using encoder::Sync;

namespace {

const std::string WorkedInfo = "001010001010000000000001001000110100010101100111";
const std::string WorkedCheck = "1010111010101101";
const Header WorkedHeader{10, 10, 1, 0x234, 0x567};

// A record's header fields, to compare at once, in the order BlockInfo declares them: Func1,
// Func2, FromCountry, FromAddr, ToCountry, ToAddr.
using HeaderFields = std::array<std::string, 6>;

HeaderFields FieldsOf(const BlockInfo& b) {
    return {b.Func1, b.Func2, b.FromCountry, b.FromAddr, b.ToCountry, b.ToAddr};
}

TEST(DecodeStream, WorkedExampleGivesTheExactLogAndRecord) {
    ASSERT_EQ(encoder::HeaderCodeword(WorkedHeader), WorkedInfo + WorkedCheck);
    const Decoded d = Decode(std::string(SyncNoFec) + WorkedInfo + WorkedCheck);

    ASSERT_EQ(d.count, 1);
    ASSERT_EQ(d.blocks.size(), 1U);
    const BlockInfo& b = d.blocks[0];
    EXPECT_EQ(FieldsOf(b), (HeaderFields{"Normal radio call", "Normal radio call", "Italy", "1234",
                                         "Italy", "1567"}));
    EXPECT_EQ(b.Message, "");
    EXPECT_FALSE(b.Corrupted);
    EXPECT_EQ(b.Log, Lines({
                         "[BITSYNC ][BLCSYNC ] (NO FEC)",
                         "[REDUNDAN] " + WorkedInfo + " " + WorkedCheck + " CRC=0 Parity=0 OK",
                         "[OPMODE  ] Call",
                         "[FUNCTION] Normal radio call",
                         "[COUNTRY ] Italy",
                         "[COM ADD1] H1",
                         "[FROM    ] H234",
                         "[FRM(EXT)] H1234 / 4660",
                         "[TO      ] H567",
                         "[TO (EXT)] H1567 / 5479",
                         "The following bits have not been processed (yet):",
                         "",
                     }));
    // After the call BlockLog holds the last log without its closing CR LF.
    EXPECT_EQ(BlockLog + "\r\n", b.Log.str());
}

TEST(DecodeStream, NothingCountedLeavesBlocksUntouched) {
    const std::string inputs[] = {"", "1", "0101", std::string(500, '1'),
                                  std::string(SyncNoFec.substr(0, 27))};
    for (const std::string& input : inputs) {
        std::vector<BlockInfo> blocks(2);
        blocks[1].Func1 = "earlier";
        std::int32_t count = 7;
        BlockLog = "untouched";
        DecodeStream(input, blocks, count);
        EXPECT_EQ(count, 0) << input;
        ASSERT_EQ(blocks.size(), 2U);
        EXPECT_EQ(blocks[1].Func1, "earlier");
        EXPECT_EQ(BlockLog, "untouched");
    }
}

TEST(DecodeStream, FecLabelAndTrailerUpToTheNextPattern) {
    const std::string noise = "0011";
    const Decoded d = Decode(encoder::CallBlock(WorkedHeader, Sync::Fec) + noise);
    ASSERT_EQ(d.count, 1);
    const std::string& log = d.blocks[0].Log.str();
    EXPECT_EQ(log.substr(0, 28), "[BITSYNC ][BLCSYNC ] (FEC)\r\n");
    EXPECT_NE(log.find("(yet):\r\n0011\r\n"), std::string::npos) << log;
}

struct TrailerCase {
    const char* name;
    std::string after; // what follows the first block's header codeword
    std::string shown; // expected unprocessed characters in the first block's log
    std::int32_t count;
};

// Listings and failures name the case; its bit stream is too long to read there.
void PrintTo(const TrailerCase& c, std::ostream* out) {
    *out << c.name;
}

class TrailerTable : public testing::TestWithParam<TrailerCase> {};

TEST_P(TrailerTable, ShowsCharactersUpToAndIncludingFirstOfNextPattern) {
    const TrailerCase& c = GetParam();
    const Decoded d = Decode(encoder::CallBlock(WorkedHeader) + c.after);
    ASSERT_EQ(d.count, c.count);
    const std::string& log = d.blocks[0].Log.str();
    const std::string tail =
        "The following bits have not been processed (yet):\r\n" + c.shown + "\r\n";
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
}

const std::string NoFecBlock = encoder::CallBlock(WorkedHeader);
const std::string FecBlock = encoder::CallBlock(WorkedHeader, Sync::Fec);

INSTANTIATE_TEST_SUITE_P(
    Trailers, TrailerTable,
    // Nothing after the block: the worked example's whole log above.
    testing::Values(TrailerCase{"NoFecDirectlyAfter", NoFecBlock, "1", 2},
                    TrailerCase{"FecDirectlyAfter", FecBlock, "0", 2},
                    TrailerCase{"NoiseThenNoFec", "0110" + NoFecBlock, "01101", 2},
                    TrailerCase{"NoiseOnly", "0110x", "0110x", 1},
                    // A SyncFec block before a later SyncNoFec is passed over: the trailer runs
                    // through it and that block is never decoded.
                    TrailerCase{"FecThenNoFecFurtherOn", FecBlock + "00" + NoFecBlock,
                                FecBlock + "001", 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeStream, NoFecAnywhereWinsOverAnEarlierFec) {
    const Header later{12, 15, 8, 0x123, 0x456}; // broadcast call, Germany
    const Decoded d = Decode(FecBlock + "0000" + encoder::CallBlock(later));
    ASSERT_EQ(d.count, 1);
    EXPECT_EQ(d.blocks[0].Func1, "Broadcast radio call");
    EXPECT_EQ(d.blocks[0].FromAddr, "8123");
    EXPECT_EQ(d.blocks[0].Log.str().find(WorkedInfo), std::string::npos);
}

TEST(DecodeStream, PatternInsideHeaderCodewordGivesANoSyncRecord) {
    // The second pattern starts 40 characters after the first, inside the header codeword.
    std::string bits = std::string(SyncNoFec) + "000000000000";
    bits += std::string(SyncNoFec) + "0101010101010101010101010101010101010101";
    const std::string rest = bits.substr(28 + 64);
    const Decoded d = Decode(bits);

    ASSERT_EQ(d.count, 2);
    EXPECT_TRUE(d.blocks[0].Corrupted);
    BlockInfo noSync;
    noSync.Log = SharedText(Lines({"", ">>> No [BITSYNC][BLCSYNC] found, terminating",
                                   "The following bits have not been processed (yet):", rest}));
    EXPECT_EQ(d.blocks[1], noSync);
}

TEST(DecodeStream, EveryLaterNoSyncIndexRepeatsTheSameRecord) {
    // Three patterns counted, each hidden inside the previous block's codewords.
    const std::string hidden = std::string(SyncNoFec);
    std::string bits = hidden + "0000" + hidden + "0000" + hidden + std::string(100, '0');
    const Decoded d = Decode(bits);
    ASSERT_EQ(d.count, 3);
    EXPECT_EQ(d.blocks[1], d.blocks[2]);
    EXPECT_EQ(d.blocks[2].Func1, "");
    EXPECT_EQ(BlockLog + "\r\n", d.blocks[2].Log.str());
}

TEST(DecodeStream, ExtendedAddressingReadsOneSecondHeader) {
    const Header first{15, 9, 0x2, 0x00A, 0xFFF};   // external addressing, United Kingdom
    const Header second{25, 16, 0x7, 0x00A, 0xFFF}; // short data, France, To FFF again
    const std::string after = encoder::HeaderCodeword({10, 10, 1, 2, 3});
    const Decoded d = Decode(encoder::ExtendedBlock(first, second) + after.substr(0, 30));

    ASSERT_EQ(d.count, 1);
    const BlockInfo& b = d.blocks[0];
    EXPECT_EQ(FieldsOf(b), (HeaderFields{"External addressing", "Short data transfer", "France",
                                         "200A", "United Kingdom", "7FFF"}));
    const std::string& log = b.Log.str();
    EXPECT_NE(log.find("[FUNCTION] External addressing\r\n"
                       "           Look at next function code for real msg nature\r\n"
                       "[COUNTRY ] United Kingdom\r\n"
                       "[COM ADD1] H2\r\n"
                       "[FROM    ] H00A\r\n"
                       "[FRM(EXT)] H200A / 8202\r\n"
                       "[TO      ] HFFF\r\n[REDUNDAN] "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("[FUNCTION] Short data transfer\r\n"
                       "[COUNTRY ] France\r\n"
                       "[COM ADD2] H7\r\n"
                       "[FRM(FFF)] HA\r\n"
                       "[TO      ] HFFF\r\n"
                       "[TO (EXT)] H7FFF / 32767\r\n"
                       "Processing Short Data Transfer"),
              std::string::npos)
        << log;
}

TEST(DecodeStream, SecondHeaderWithExternalAddressingAddsNoNote) {
    const Header first{10, 10, 1, 0x234, 0xFFF};
    const Header second{15, 10, 1, 0x234, 0x567};
    const Decoded d = Decode(encoder::ExtendedBlock(first, second));
    EXPECT_EQ(d.blocks[0].Func2, "External addressing");
    EXPECT_EQ(d.blocks[0].Log.str().find("Look at next"), std::string::npos);
}

TEST(DecodeStream, TextEndingAfterAnAllCallHeader) {
    const Decoded d = Decode(encoder::CallBlock({10, 10, 1, 0x234, 0xFFF}));
    ASSERT_EQ(d.count, 1);
    const BlockInfo& b = d.blocks[0];
    EXPECT_TRUE(b.Corrupted);
    EXPECT_EQ(b.ToAddr, "0000");
    const std::string& log = b.Log.str();
    const std::string expectedTail = Lines({
        "[TO      ] HFFF ERROR",
        "[OPMODE  ] System function",
        "[FUNCTION] Emergency reset",
        "[COUNTRY ] Other",
        "[COM ADD2] H0",
        "[FRM(FFF)] H0",
        "[TO      ] H000",
        "[TO (EXT)] H0000 / 0",
        ">>> Block Corrupted",
        "The following bits have not been processed (yet):",
        "",
    });
    ASSERT_GE(log.size(), expectedTail.size());
    EXPECT_EQ(log.substr(log.size() - expectedTail.size()), expectedTail);
}

TEST(DecodeStream, TenZerosAfterAPattern) {
    const Decoded d = Decode(std::string(SyncNoFec) + std::string(10, '0'));
    ASSERT_EQ(d.count, 1);
    EXPECT_TRUE(d.blocks[0].Corrupted);
    EXPECT_EQ(d.blocks[0].Log, Lines({
                                   "[BITSYNC ][BLCSYNC ] (NO FEC) ERROR",
                                   "[OPMODE  ] System function",
                                   "[FUNCTION] Emergency reset",
                                   "[COUNTRY ] Other",
                                   "[COM ADD1] H0",
                                   "[FROM    ] H000",
                                   "[FRM(EXT)] H0000 / 0",
                                   "[TO      ] H000",
                                   "[TO (EXT)] H0000 / 0",
                                   ">>> Block Corrupted",
                                   "The following bits have not been processed (yet):",
                                   "",
                               }));
}

TEST(DecodeStream, CorruptedHeaderIsDecodedAsItStands) {
    const std::string word = encoder::Corrupt(encoder::HeaderCodeword(WorkedHeader), 63);
    const Decoded d = Decode(std::string(SyncNoFec) + word);
    EXPECT_TRUE(d.blocks[0].Corrupted);
    EXPECT_EQ(d.blocks[0].ToAddr, "1567");
    EXPECT_NE(d.blocks[0].Log.str().find(" CRC=0 Parity=1 ERROR\r\n"), std::string::npos);
}

TEST(DecodeStream, AddressFormsTable) {
    struct Case {
        std::uint32_t common, from;
        const char* comLine;
        const char* fromLine;
        const char* extLine;
    };
    // Common address 1, From 234: the worked example's whole log above.
    const Case cases[] = {
        {8, 0x123, "[COM ADD1] H8", "[FROM    ] H123", "[FRM(EXT)] H8123 / 33059"},
        {0, 10, "[COM ADD1] H0", "[FROM    ] H00A", "[FRM(EXT)] H000A / 10"},
        {0xFFF, 0xFFF, "[COM ADD1] HFFF", "[FROM    ] HFFF", "[FRM(EXT)] HFFFFFF / 16777215"},
    };
    for (const Case& c : cases) {
        const Decoded d = Decode(encoder::CallBlock({10, 10, c.common, c.from, 0x567}));
        const std::string& log = d.blocks[0].Log.str();
        EXPECT_NE(log.find(std::string("\r\n") + c.comLine + "\r\n" + c.fromLine + "\r\n" +
                           c.extLine + "\r\n"),
                  std::string::npos)
            << log;
    }
}

TEST(DecodeStream, BlocksDecodeIndependentlyAndInOrder) {
    const std::string bits = "0110" + encoder::CallBlock({8, 15, 3, 1, 2}) + "1" +
                             encoder::CallBlock({40, 2, 4, 5, 6}, Sync::NoFec) + "00";
    const Decoded d = Decode(bits);
    ASSERT_EQ(d.count, 2);
    EXPECT_EQ(d.blocks[0].Func1, "Emergency radio call");
    EXPECT_EQ(d.blocks[0].ToCountry, "Germany");
    EXPECT_EQ(d.blocks[1].Func1, "Status n.9");
    EXPECT_EQ(d.blocks[1].ToCountry, "Portugal");
    EXPECT_EQ(d.blocks[1].ToAddr, "4006");
}

TEST(DecodeStream, ForeignBytesNeverBreakTheDecode) {
    std::string bits;
    for (int c = 0; c < 256; ++c)
        bits += static_cast<char>(c);
    bits += encoder::CallBlock(WorkedHeader) + std::string(3, '\0') + "\xff";
    const Decoded d = Decode(bits);
    ASSERT_EQ(d.count, 1);
    EXPECT_EQ(d.blocks[0].ToAddr, "1567");
    EXPECT_FALSE(d.blocks[0].Corrupted);
}

} // namespace
