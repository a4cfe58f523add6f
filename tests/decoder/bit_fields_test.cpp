#include "encoder.h"
#include "modETSI300230.h"

#include <gtest/gtest.h>

using namespace modETSI300230;

namespace {

std::string Zeros(std::size_t n) {
    return std::string(n, '0');
}

std::string WithChar(std::string text, std::size_t position1, char c) {
    text[position1 - 1] = c;
    return text;
}

const std::string AllZeroInfo = Zeros(48);
const std::string OneThenZeros = "1" + Zeros(47);

struct CheckCase {
    const char* name;
    std::string codeword;
    std::string crc;
    char parity;
    bool failed;
};

// Listings and failures name the case; its codeword is too long to read there.
void PrintTo(const CheckCase& c, std::ostream* out) {
    *out << c.name;
}

class CheckCodewordTable : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckCodewordTable, LogsCheckLineAndVerdict) {
    const CheckCase& c = GetParam();
    BlockLog = "first line";
    std::string bits = c.codeword + "101101";
    const bool failed = CheckCodeword(bits);

    EXPECT_EQ(failed, c.failed);
    const std::string expected = "first line\r\n[REDUNDAN] " + c.codeword.substr(0, 48) + " " +
                                 c.codeword.substr(48) + " CRC=" + c.crc + " Parity=" + c.parity +
                                 (c.failed ? " ERROR" : " OK");
    EXPECT_EQ(BlockLog, expected);
    // The check bits vanish; the rest of the stream follows the information bits directly.
    EXPECT_EQ(bits, c.codeword.substr(0, 48) + "101101");
}

const std::string RowTwo = AllZeroInfo + "0000000000000011";

INSTANTIATE_TEST_SUITE_P(
    CodewordExamples, CheckCodewordTable,
    testing::Values(CheckCase{"AllZero", AllZeroInfo + Zeros(16), "1", '0', true},
                    CheckCase{"ZeroInfoValid", RowTwo, "0", '0', false},
                    CheckCase{"TopBitValid", OneThenZeros + "1110100000010110", "0", '0', false},
                    CheckCase{"AllOnesValid", std::string(48, '1') + "1111111111111100", "0", '0',
                              false},
                    CheckCase{"FirstBitFlipped", WithChar(RowTwo, 1, '1'), "740A", '1', true},
                    CheckCase{"InvertedBitFlipped", WithChar(RowTwo, 63, '0'), "1", '1', true},
                    // A stray character acts as 0 for parity, and like a transmitted 1 for the
                    // remainder at position 63 (it enters the check input as "0").
                    CheckCase{"StrayAtInvertedPosition", WithChar(RowTwo, 63, 'x'), "0", '1', true},
                    CheckCase{"StrayInInfo", WithChar(RowTwo, 5, '#'), "0", '0', false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CheckCodeword, ShortTextAppendsOnlyErrorAndKeeps48Characters) {
    BlockLog = "[TO      ] HFFF";
    std::string bits = RowTwo.substr(0, 50);
    EXPECT_TRUE(CheckCodeword(bits));
    EXPECT_EQ(BlockLog, "[TO      ] HFFF ERROR");
    EXPECT_EQ(bits, RowTwo.substr(0, 48));

    std::string tiny = "101";
    EXPECT_TRUE(CheckCodeword(tiny));
    EXPECT_EQ(tiny, "101");
    EXPECT_EQ(BlockLog, "[TO      ] HFFF ERROR ERROR");
}

TEST(CheckCodeword, ViewFormConsumesWholeCodeword) {
    BlockLog.clear();
    const std::string stream = RowTwo + "111";
    std::string_view rest = stream;
    std::string info;
    EXPECT_FALSE(CheckCodeword(rest, info));
    EXPECT_EQ(info, AllZeroInfo);
    EXPECT_EQ(rest, "111");
}

TEST(Encoder, CodewordsMatchTheCheckTable) {
    EXPECT_EQ(encoder::Codeword(AllZeroInfo), RowTwo);
    EXPECT_EQ(encoder::Codeword(OneThenZeros), OneThenZeros + "1110100000010110");
    EXPECT_EQ(encoder::Codeword(std::string(48, '1')), std::string(48, '1') + "1111111111111100");
}

TEST(Encoder, EveryEncodedCodewordPassesAndEveryFlippedBitFails) {
    const std::string word = encoder::HeaderCodeword({25, 15, 0x8, 0x123, 0xFFF});
    std::string bits = word;
    BlockLog.clear();
    EXPECT_FALSE(CheckCodeword(bits));
    for (std::size_t i = 0; i < 64; ++i) {
        std::string flipped = encoder::Corrupt(word, i);
        EXPECT_TRUE(CheckCodeword(flipped)) << "flipped position " << i + 1;
    }
}

struct LongCase {
    std::string bits;
    std::int32_t value;
};

TEST(BitsToLong, ReadsBase2WithForeignCharactersAsZero) {
    const LongCase cases[] = {
        {"", 0},        {"1011", 11},
        {"0001", 1},    {"1x1", 5},
        {"111", 7},     {"111111", 63},
        {"0000", 0},    {std::string(16, '1'), 65535},
        {Zeros(30), 0}, {"1" + Zeros(29), 1 << 29},
        {"abc", 0},
    };
    for (const LongCase& c : cases)
        EXPECT_EQ(BitsToLong(c.bits), c.value) << '"' << c.bits << '"';
}

TEST(BitsToLong, LongerTextsNeverOverflow) {
    // Only 30 characters are defined; longer ones must still return without trouble.
    EXPECT_EQ(BitsToLong(std::string(40, '0') + "1"), 1);
}

struct DigitCase {
    std::string bits;
    std::string digit;
    std::string left;
};

TEST(TakeDigit, TakesFourBitsAsOneDigit) {
    const DigitCase cases[] = {
        {"1010110", "A", "110"},
        {"0000", "0", ""},
        {"1111", "F", ""},
        {"", "0", ""},
        {"1", "1", ""},
        {"10", "2", ""},
        {"1001"
         "0111",
         "9", "0111"},
    };
    for (const DigitCase& c : cases) {
        std::string bits = c.bits;
        EXPECT_EQ(TakeDigit(bits), c.digit) << c.bits;
        EXPECT_EQ(bits, c.left) << c.bits;
    }
}

TEST(AddressTexts, HexPaddedAndDecimal) {
    EXPECT_EQ(HexText(0), "0");
    EXPECT_EQ(HexText(0xABC), "ABC");
    EXPECT_EQ(PaddedHex(10), "00A");
    EXPECT_EQ(PaddedHex(0xFFF), "FFF");
    EXPECT_EQ(DecimalForm("1234"), "4660");
    EXPECT_EQ(DecimalForm("8123"), "33059");
    EXPECT_EQ(DecimalForm("0123"), "291");
    EXPECT_EQ(DecimalForm("FFFFFF"), "16777215");
    EXPECT_EQ(DecimalForm(""), "0");
}

} // namespace
