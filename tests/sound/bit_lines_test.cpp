// The bit text as written: full lines as soon as they are full, a transmission's last line
// completed at its end, nothing else.
#include "bit_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vantrel::BitLines;

TEST(BitLines, WritesEachLineWhenItIsFull) {
    std::vector<std::string> written;
    BitLines lines([&](std::string_view line) { written.emplace_back(line); }, 4);
    lines.Add("01");
    EXPECT_TRUE(written.empty());
    lines.Add("1011");
    EXPECT_EQ(written, (std::vector<std::string>{"0110\r\n"}));
    lines.Add("00110"); // completes one line and starts another
    EXPECT_EQ(written, (std::vector<std::string>{"0110\r\n", "1100\r\n"}));
    lines.EndTransmission();
    EXPECT_EQ(written, (std::vector<std::string>{"0110\r\n", "1100\r\n", "110\r\n"}));
}

TEST(BitLines, PiecesOfAnySizeGiveTheSameText) {
    const std::string bits = "1100101011110000101001011100111100001010110";
    std::string whole;
    {
        BitLines lines([&](std::string_view line) { whole.append(line); }, 8);
        lines.Add(bits);
        lines.EndTransmission();
        lines.Add(bits.substr(0, 16)); // a second transmission ending on a line boundary
        lines.EndTransmission();
    }
    EXPECT_EQ(whole.substr(0, 10), "11001010\r\n");
    EXPECT_EQ(whole.size(), bits.size() + 2 * 6 + 16 + 2 * 2);
    for (std::size_t piece = 1; piece <= 9; ++piece) {
        std::string text;
        BitLines lines([&](std::string_view line) { text.append(line); }, 8);
        for (std::size_t i = 0; i < bits.size(); i += piece)
            lines.Add(std::string_view(bits).substr(i, piece));
        lines.EndTransmission();
        lines.Add(bits.substr(0, 16));
        lines.EndTransmission();
        EXPECT_EQ(text, whole) << "pieces of " << piece;
    }
}

TEST(BitLines, NothingBetweenTransmissions) {
    std::string text;
    BitLines lines([&](std::string_view line) { text.append(line); });
    lines.EndTransmission();
    lines.Add("");
    lines.EndTransmission();
    EXPECT_EQ(text, "");
    lines.Add(std::string(BitLines::DefaultLength, '1'));
    lines.EndTransmission(); // the line went out already: no empty line follows
    EXPECT_EQ(text, std::string(BitLines::DefaultLength, '1') + "\r\n");
}

} // namespace
