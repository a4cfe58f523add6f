// The piecewise reader against the whole-file one: however a text is cut, the field joiner
// gives what JoinFields and RemoveLineFeeds give for the whole text.
#include "bit_file.h"
#include "encoder.h"
#include "field_joiner.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

// Every way of cutting a text in two gives the whole-file join, and every character keeps its
// place: a quote, a CR LF or a sync pattern split between pieces.
TEST(FieldJoinerTest, EverySplitJoinsAsTheWholeFile) {
    const std::string sync = encoder::SyncPattern(encoder::Sync::NoFec);
    const std::string texts[] = {
        "\"01\r\n10\",  11 \t,\r\n\"0\"1\"",
        "0101\r\n1010\r1111\n0000, 11 ,\"1\n1\"",
        " \t\"\"\",01 1\t,\r\n\r\n",
        sync.substr(0, 13) + "\r\n" + sync.substr(13),
        // Long runs of one blank wait in a field as their length, short ones as they are.
        "01" + std::string(20, ' ') + "\t\t" + std::string(12, '\t') + " \t \t1" +
            std::string(9, ' ') + "0" + std::string(30, ' ') + ",1",
    };
    for (const std::string& text : texts) {
        const std::string expected = vantrel::RemoveLineFeeds(vantrel::JoinFields(text));
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            vantrel::FieldJoiner joiner;
            std::string out;
            joiner.Join(std::string_view(text).substr(0, cut), out);
            joiner.Join(std::string_view(text).substr(cut), out);
            EXPECT_EQ(out, expected) << testing::PrintToString(text) << " cut at " << cut;
        }
    }
}

// Pieces with nothing to join are taken as they are: the joined bits, every bit's place and
// what follows them stay as Join gives them, wherever the pieces start (a file's start, a
// field, after a delimiter, a line end, blanks or a quote).
TEST(FieldJoinerTest, PiecesTakenUnchangedJoinAsJoinDoes) {
    const std::string texts[] = {
        "0101101001011010",
        "0110\r\n1001\r\n0110",
        "01, 10 ,\"1\n0\" 11\t0101,",
        "  0101 1010\r1111\n\n0000",
    };
    std::size_t taken = 0;
    for (const std::string& text : texts)
        for (std::size_t first = 0; first <= text.size(); ++first)
            for (std::size_t second = first; second <= text.size(); ++second) {
                const std::string_view pieces[] = {
                    std::string_view(text).substr(0, first),
                    std::string_view(text).substr(first, second - first),
                    std::string_view(text).substr(second), ",1\r\n01"};
                vantrel::FieldJoiner joined(true);
                vantrel::FieldJoiner passed(true);
                std::string expected;
                std::string got;
                for (const std::string_view piece : pieces) {
                    joined.Join(piece, expected);
                    if (passed.JoinsUnchanged(piece)) {
                        got.append(piece);
                        ++taken;
                    } else {
                        passed.Join(piece, got);
                    }
                    ASSERT_EQ(got, expected)
                        << testing::PrintToString(text) << " cut at " << first << ", " << second;
                    ASSERT_EQ(passed.InputOffset(), joined.InputOffset());
                    ASSERT_EQ(passed.BitsOut(), joined.BitsOut());
                }
                for (std::uint64_t bit = 0; bit < expected.size(); ++bit) {
                    const vantrel::FilePlace want = joined.PlaceOf(bit);
                    const vantrel::FilePlace place = passed.PlaceOf(bit);
                    ASSERT_EQ(place.line, want.line)
                        << testing::PrintToString(text) << " bit " << bit;
                    ASSERT_EQ(place.column, want.column)
                        << testing::PrintToString(text) << " bit " << bit;
                }
            }
    EXPECT_GT(taken, 100U);
}

} // namespace
