#include "../harness/scratch_folder.h"
#include "bit_file.h"
#include "encoder.h"
#include "file_error.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

struct JoinCase {
    const char* name;
    std::string content;
    std::string joined;
};

void PrintTo(const JoinCase& c, std::ostream* out) {
    *out << testing::PrintToString(c.content);
}

class JoinFieldsTable : public testing::TestWithParam<JoinCase> {};

TEST_P(JoinFieldsTable, JoinsFieldsInFileOrder) {
    EXPECT_EQ(vantrel::JoinFields(GetParam().content), GetParam().joined);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, JoinFieldsTable,
    testing::Values(JoinCase{"Empty", "", ""}, JoinCase{"OneField", "0101", "0101"},
                    JoinCase{"LineFeedEnds", "01\n10\n", "0110"},
                    JoinCase{"CrLfEnds", "01\r\n10\r\n", "0110"},
                    JoinCase{"CrAloneEnds", "01\r10\r", "0110"},
                    JoinCase{"CommasEnd", "01,10,11", "011011"},
                    JoinCase{"OnlyDelimiters", ",,\r\n\n\r,", ""},
                    JoinCase{"BlanksTrimmedAtBothEnds", " \t01\t ,  10  \r\n", "0110"},
                    JoinCase{"BlanksInsideStay", "0 1\t1", "0 1\t1"},
                    JoinCase{"BlankOnlyFields", "  ,\t\t\n  ", ""},
                    JoinCase{"QuotedKeepsCommasAndLineEnds", "\"0,1\r\n1\"", "0,1\r\n1"},
                    JoinCase{"QuotedKeepsItsBlanks", "\" 01 \"", " 01 "},
                    JoinCase{"QuoteAfterLeadingBlanks", "  \"01\"  ,10", "0110"},
                    JoinCase{"TwoQuotedParts", "\"01\" \"10\"", "0110"},
                    JoinCase{"TextAfterClosingQuoteIsKept", "\"01\"10 ,11", "011011"},
                    JoinCase{"UnterminatedQuoteRunsToEnd", "10,\"01,10\r\n1 ", "1001,10\r\n1 "},
                    JoinCase{"QuoteInsideFieldIsPlain", "0\"1\"0,1", "0\"1\"01"},
                    JoinCase{"EmptyQuotedField", "01,\"\",10", "0110"},
                    JoinCase{"EightBitBytesKept", "0\xE9\xFF\x80"s + '\0' + "1",
                             "0\xE9\xFF\x80"s + '\0' + "1"}),
    [](const testing::TestParamInfo<JoinCase>& info) { return std::string(info.param.name); });

TEST(RemoveLineFeeds, RemovesEveryLineFeedAndNothingElse) {
    EXPECT_EQ(vantrel::RemoveLineFeeds("\n0\n\n1\r\n1,\n"), "01\r1,");
    EXPECT_EQ(vantrel::RemoveLineFeeds(""), "");
}

// A demodulator writes the same bits in many shapes; all of them must give the bits back
// unchanged, including a sync pattern that a line end cuts in two.
TEST(BitFileShapes, SameBitsWhateverTheLineEndsAndGroups) {
    const std::string bits = encoder::CallBlock(encoder::Header{}) +
                             encoder::CallBlock(encoder::Header{.to = 0xABC}, encoder::Sync::Fec);
    for (const std::string_view lineEnd : {"\n", "\r\n", "\r", ",", ", ", "\r\n,"}) {
        for (const std::size_t width : {1U, 10U, 64U, 1000U}) {
            const std::string content = encoder::Wrap(bits, width, lineEnd);
            EXPECT_EQ(vantrel::RemoveLineFeeds(vantrel::JoinFields(content)), bits)
                << "width " << width << ", line end " << testing::PrintToString(lineEnd);
        }
    }
}

using ReadBitFile = testing_files::ScratchFolder;

TEST_F(ReadBitFile, ReadsTheWholeFileWithEveryByteAsItIs) {
    // Every byte that is no delimiter, blank or quote, each in a field of its own: they must
    // come back in order, none changed or dropped (NUL and 8-bit codes included).
    std::string expected;
    std::string content;
    for (int code = 0; code < 256; ++code) {
        const char c = static_cast<char>(code);
        if (c != ',' && c != '\r' && c != '\n' && c != '"' && c != ' ' && c != '\t') {
            expected.push_back(c);
            content.append(1, c).append(",");
        }
    }
    WriteFile(PathOf("bytes.txt"), content);
    EXPECT_EQ(vantrel::ReadBitFile(PathOf("bytes.txt")), expected);
}

TEST_F(ReadBitFile, ReadsALargeFileCompletely) {
    std::string line(63, '0');
    line += "1\r\n";
    std::string content;
    std::string bits;
    for (int i = 0; i < 50000; ++i) {
        content += line;
        bits += line.substr(0, 64);
    }
    WriteFile(PathOf("large.txt"), content);
    EXPECT_EQ(vantrel::ReadBitFile(PathOf("large.txt")), bits);
}

TEST_F(ReadBitFile, EmptyFileGivesEmptyText) {
    WriteFile(PathOf("empty.txt"), "");
    EXPECT_EQ(vantrel::ReadBitFile(PathOf("empty.txt")), "");
}

struct ReadFailure {
    const char* name;
    const char* path; // within the scratch folder
    const char* description;
};

void PrintTo(const ReadFailure& c, std::ostream* out) {
    *out << c.path;
}

class ReadBitFileFailure : public testing_files::ScratchFolder,
                           public testing::WithParamInterface<ReadFailure> {};

TEST_P(ReadBitFileFailure, ThrowsWithPathAndSystemDescription) {
    WriteFile(PathOf("plain.txt"), "0101");
    std::filesystem::create_directory(PathOf("folder.txt"));
    const std::string path = PathOf(GetParam().path);
    try {
        vantrel::ReadBitFile(path);
        FAIL() << "no error for " << path;
    } catch (const vantrel::FileError& error) {
        EXPECT_EQ(error.path(), path);
        EXPECT_EQ(error.description(), GetParam().description);
        EXPECT_EQ(std::string(error.what()), path + ": " + GetParam().description);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ReadBitFileFailure,
    testing::Values(ReadFailure{"Missing", "missing.txt", "No such file or directory"},
                    ReadFailure{"Folder", "folder.txt", "Is a directory"},
                    ReadFailure{"UnderAPlainFile", "plain.txt/rx.txt", "Not a directory"}),
    [](const testing::TestParamInfo<ReadFailure>& info) { return std::string(info.param.name); });

} // namespace
