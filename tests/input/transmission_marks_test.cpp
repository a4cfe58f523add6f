// Transmission marks: written without a "0" or "1", read back to the same numbers, and blanked
// out of a marked text whatever the pieces it arrives in.
#include "transmission_marks.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vantrel::TransmissionMark;

TEST(TransmissionMarks, ReadBackToTheSameValuesWithoutABitCharacter) {
    const TransmissionMark marks[] = {
        {0, 0, 0, 0, false},
        {1.9201000000000001, 2.1, -13.604994681683701, 11.337106195340102, true},
        {3600.0001, 1e-7, -100.5, 1e300, false},
    };
    for (const TransmissionMark& mark : marks) {
        const std::string line = vantrel::TransmissionMarkLine(mark);
        SCOPED_TRACE(line);
        EXPECT_EQ(line.find_first_of("01"), std::string::npos);
        const auto read = vantrel::ParseTransmissionMark(line);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, mark);
    }
}

TEST(TransmissionMarks, LinesThatAreNoMarkAreRefused) {
    for (const char* line : {
             "",
             "#transmission",
             "#transmissions start=i end=2 level=3 ebno=4 polarity=normal",
             "#transmission start=i end=2 level=3 polarity=normal",
             "#transmission start=i end=2 level=3 ebno=4 polarity=upside",
             "#transmission start=1 end=2 level=3 ebno=4 polarity=normal x",
             "#transmission start=i.5x end=2 level=3 ebno=4 polarity=normal",
             "#transmission start=inf end=2 level=3 ebno=4 polarity=normal",
             "#transmission start= end=2 level=3 ebno=4 polarity=normal",
         }) {
        SCOPED_TRACE(line);
        // "1" is not a mark digit: a mark is never read from bits.
        EXPECT_FALSE(vantrel::ParseTransmissionMark(line).has_value());
    }
}

TEST(TransmissionMarks, TheHeaderTellsAMarkedTextAndItsStartTime) {
    EXPECT_TRUE(vantrel::StartsMarked("#vantrel-demod\r\n0101"));
    EXPECT_TRUE(vantrel::StartsMarked(vantrel::MarksHeaderLine("2026-12-01T10:00:00Z")));
    EXPECT_FALSE(vantrel::StartsMarked("#vantrel-demodulator\r\n"));
    EXPECT_FALSE(vantrel::StartsMarked("0101#vantrel-demod\r\n"));
    const std::string header = vantrel::MarksHeaderLine("2026-12-01T10:00:00Z");
    EXPECT_EQ(header.find_first_of("01"), std::string::npos);
    EXPECT_EQ(vantrel::HeaderStartTime(header), "2026-12-01T10:00:00Z");
    EXPECT_FALSE(vantrel::HeaderStartTime("#vantrel-demod").has_value());
}

// Every mark line becomes blanks, its line end and every other byte staying where they were,
// whatever the pieces; a "#" inside a line is an ordinary byte.
TEST(TransmissionMarks, MarkLinesAreBlankedAcrossPieces) {
    const std::string text = "#vantrel-demod\r\n0101#01\r\n#transmission a\r\n11\n#b\r\n";
    std::string expected = text;
    for (const auto& [at, length] : {std::pair{0, 14}, std::pair{25, 15}, std::pair{45, 2}})
        expected.replace(at, length, std::string(length, ' '));
    for (std::size_t piece = 1; piece <= text.size(); ++piece) {
        SCOPED_TRACE(piece);
        std::string blanked = text;
        std::vector<std::string> lines;
        vantrel::MarkLineBlanker blanker;
        for (std::size_t at = 0; at < blanked.size(); at += piece) {
            const std::size_t size = std::min(piece, blanked.size() - at);
            blanker.Blank(blanked.data() + at, size, [&](std::string_view line, std::size_t end) {
                lines.emplace_back(line);
                EXPECT_TRUE(blanked[at + end] == '\r' || blanked[at + end] == '\n');
            });
        }
        EXPECT_EQ(blanked, expected);
        EXPECT_EQ(lines, (std::vector<std::string>{"#vantrel-demod", "#transmission a", "#b"}));
    }
}

} // namespace
