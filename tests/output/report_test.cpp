#include "../harness/case_name.h"
#include "encoder.h"
#include "modETSI300230.h"
#include "report.h"

#include <gtest/gtest.h>

#include <initializer_list>

using modETSI300230::BlockInfo;
using vantrel::RenderReport;
using vantrel::ReportLevel;

namespace {

// Lines, each ended by CR LF.
std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (const std::string_view line : lines) {
        text.append(line).append("\r\n");
    }
    return text;
}

// The one-block recording the window is checked with: sync without error correction and one
// normal radio call from 1234 to 1567 in Italy.
const std::string ExampleInfo = "001010001010000000000001001000110100010101100111";
const std::string ExampleCheck = "1010111010101101";
const std::string ExampleBits = std::string(modETSI300230::SyncNoFec) + ExampleInfo + ExampleCheck;

struct Decoded {
    std::vector<BlockInfo> Blocks;
    std::int32_t BlockCount = 0;
};

Decoded Decode(std::string_view bits) {
    Decoded decoded;
    modETSI300230::DecodeStream(bits, decoded.Blocks, decoded.BlockCount);
    return decoded;
}

TEST(RenderReport, ShortReportOfTheOneBlockExample) {
    const Decoded example = Decode(ExampleBits);
    EXPECT_EQ(
        RenderReport(example.Blocks, example.BlockCount, ReportLevel::Short),
        Lines({"Blocks Found:1", "", "Block #1", "Operat. Mode 1: Normal radio call",
               "Operat. Mode 2: Normal radio call", "From (Hex/Dec): 1234/4660 Country: Italy",
               "To   (Hex/Dec): 1567/5479 Country: Italy",
               "Message       : ", "Redundancy chk: OK"}));
}

TEST(RenderReport, LongReportOfTheOneBlockExample) {
    const Decoded example = Decode(ExampleBits);
    EXPECT_EQ(RenderReport(example.Blocks, example.BlockCount, ReportLevel::Debug),
              Lines({"Blocks Found:1", "", "Block #1", "[BITSYNC ][BLCSYNC ] (NO FEC)",
                     "[REDUNDAN] 001010001010000000000001001000110100010101100111 "
                     "1010111010101101 CRC=0 Parity=0 OK",
                     "[OPMODE  ] Call", "[FUNCTION] Normal radio call", "[COUNTRY ] Italy",
                     "[COM ADD1] H1", "[FROM    ] H234", "[FRM(EXT)] H1234 / 4660",
                     "[TO      ] H567", "[TO (EXT)] H1567 / 5479",
                     "The following bits have not been processed (yet):", ""}));
}

TEST(RenderReport, NoSyncPatternGivesOnlyTheHeaderAtBothLevels) {
    const Decoded decoded = Decode("0101010111110000");
    for (const ReportLevel level : {ReportLevel::Short, ReportLevel::Debug}) {
        EXPECT_EQ(RenderReport(decoded.Blocks, decoded.BlockCount, level), "Blocks Found:0\r\n");
    }
}

// The decoder leaves the records of an earlier file in place when it counts no block; none
// of them may show.
TEST(RenderReport, EarlierBlocksNeverShowAfterAFileWithoutSync) {
    Decoded decoded =
        Decode(encoder::CallBlock({}) + encoder::CallBlock({}) + encoder::CallBlock({}));
    ASSERT_EQ(decoded.BlockCount, 3);
    modETSI300230::DecodeStream("no sync here", decoded.Blocks, decoded.BlockCount);
    ASSERT_EQ(decoded.Blocks.size(), 3U);
    for (const ReportLevel level : {ReportLevel::Short, ReportLevel::Debug}) {
        EXPECT_EQ(RenderReport(decoded.Blocks, decoded.BlockCount, level), "Blocks Found:0\r\n");
    }
}

TEST(RenderReport, FreshRecordAtShortLevel) {
    EXPECT_EQ(RenderReport({BlockInfo{}}, 1, ReportLevel::Short),
              Lines({"Blocks Found:1", "", "Block #1",
                     "Operat. Mode 1: ", "Operat. Mode 2: ", "From (Hex/Dec): /0 Country: ",
                     "To   (Hex/Dec): /0 Country: ", "Message       : ", "Redundancy chk: OK"}));
}

TEST(RenderReport, FreshRecordAtDebugLevelIsTheTitleAndAnEmptyLog) {
    EXPECT_EQ(RenderReport({BlockInfo{}}, 1, ReportLevel::Debug),
              "Blocks Found:1\r\n\r\nBlock #1\r\n");
}

struct AddressCase {
    const char* address;
    const char* shown;
};

void PrintTo(const AddressCase& c, std::ostream* out) {
    *out << '"' << c.address << '"';
}

class AddressDecimalForm : public testing::TestWithParam<AddressCase> {};

TEST_P(AddressDecimalForm, ShortLinesShowHexSlashDecimal) {
    BlockInfo block;
    block.FromAddr = GetParam().address;
    block.ToAddr = GetParam().address;
    block.FromCountry = "France";
    block.ToCountry = "Spain";
    const std::string report = RenderReport({block}, 1, ReportLevel::Short);
    const std::string shown = GetParam().shown;
    EXPECT_NE(report.find("\r\nFrom (Hex/Dec): " + shown + " Country: France\r\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\r\nTo   (Hex/Dec): " + shown + " Country: Spain\r\n"),
              std::string::npos)
        << report;
}

INSTANTIATE_TEST_SUITE_P(Addresses, AddressDecimalForm,
                         testing::Values(AddressCase{"9123", "9123/37155"},
                                         AddressCase{"123456", "123456/1193046"},
                                         AddressCase{"0ABC", "0ABC/2748"}, AddressCase{"", "/0"},
                                         AddressCase{"FFFFFF", "FFFFFF/16777215"}),
                         [](const auto& info) {
                             return "Address" + case_name::Bytes(info.param.address);
                         });

TEST(RenderReport, EveryFieldLandsOnItsOwnLine) {
    BlockInfo block;
    block.Func1 = "First function";
    block.Func2 = "Second function";
    block.FromCountry = "Greece";
    block.FromAddr = "10AB";
    block.ToCountry = "Malta";
    block.ToAddr = "2FFF";
    block.Message = "HELLO 42";
    block.Corrupted = true;
    block.Log = modETSI300230::SharedText("log text\r\n");
    EXPECT_EQ(RenderReport({block}, 1, ReportLevel::Short),
              Lines({"Blocks Found:1", "", "Block #1", "Operat. Mode 1: First function",
                     "Operat. Mode 2: Second function", "From (Hex/Dec): 10AB/4267 Country: Greece",
                     "To   (Hex/Dec): 2FFF/12287 Country: Malta", "Message       : HELLO 42",
                     "Redundancy chk: ERROR"}));
    EXPECT_EQ(RenderReport({block}, 1, ReportLevel::Debug),
              Lines({"Blocks Found:1", "", "Block #1", "log text"}));
}

TEST(RenderReport, BlocksAreNumberedAndSeparatedByAnEmptyLine) {
    BlockInfo first;
    first.Log = modETSI300230::SharedText("one\r\n");
    BlockInfo second;
    second.Log = modETSI300230::SharedText("two\r\n");
    second.Corrupted = true;
    EXPECT_EQ(RenderReport({first, second}, 2, ReportLevel::Debug),
              Lines({"Blocks Found:2", "", "Block #1", "one", "", "Block #2", "two"}));
    const std::string shortReport = RenderReport({first, second}, 2, ReportLevel::Short);
    EXPECT_NE(shortReport.find("Redundancy chk: OK\r\n\r\nBlock #2\r\nOperat. Mode 1: "),
              std::string::npos)
        << shortReport;
    EXPECT_TRUE(shortReport.ends_with("\r\nRedundancy chk: ERROR\r\n")) << shortReport;
}

// Records past the count belong to an earlier decode; a count past the records would read
// memory that is not there.
TEST(RenderReport, ReadsOnlyRecordsWithinBothCountAndArray) {
    BlockInfo block;
    block.Log = modETSI300230::SharedText("x\r\n");
    const std::vector<BlockInfo> blocks{block, block, block};
    EXPECT_EQ(RenderReport(blocks, 1, ReportLevel::Debug),
              Lines({"Blocks Found:1", "", "Block #1", "x"}));
    EXPECT_EQ(RenderReport({}, 2, ReportLevel::Debug), "Blocks Found:2\r\n");
}

TEST(RenderReport, TwelveBlocksFromTheEncoderAllShow) {
    std::string bits;
    for (std::uint32_t i = 0; i < 12; ++i) {
        bits += encoder::CallBlock(encoder::Header{.from = i});
    }
    const Decoded decoded = Decode(bits);
    const std::string report = RenderReport(decoded.Blocks, decoded.BlockCount, ReportLevel::Short);
    EXPECT_TRUE(report.starts_with("Blocks Found:12\r\n\r\nBlock #1\r\n"));
    EXPECT_NE(report.find("\r\n\r\nBlock #12\r\n"), std::string::npos);
    EXPECT_NE(report.find("From (Hex/Dec): 100B/4107 Country: "), std::string::npos) << report;
}

TEST(WriteReport, PiecesJoinToTheRenderedReportAtBothLevels) {
    const std::string bits = encoder::CallBlock({}) + "0110" +
                             encoder::ShortDataBlock({.function = encoder::ShortData}, "HI") +
                             std::string(modETSI300230::SyncFec) + "01";
    const Decoded decoded = Decode(bits);
    ASSERT_EQ(decoded.BlockCount, 3);
    for (const ReportLevel level : {ReportLevel::Short, ReportLevel::Debug}) {
        std::string joined;
        int pieces = 0;
        vantrel::WriteReport(decoded.Blocks, decoded.BlockCount, level,
                             [&](std::string_view piece) {
                                 joined += piece;
                                 ++pieces;
                             });
        EXPECT_EQ(joined, RenderReport(decoded.Blocks, decoded.BlockCount, level));
        EXPECT_EQ(pieces, 4);
    }
}

} // namespace
