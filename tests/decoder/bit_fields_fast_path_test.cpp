// The codeword check takes a word of "0"/"1" characters as 64 bits and divides a byte at a
// time; the field conversions read from the front. These tests hold them against the plain
// character-by-character forms for many codewords and fields.
#include "encoder.h"
#include "modETSI300230.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace modETSI300230;

namespace {

// The check as the system describes it: a register loaded with the first 16 characters of the
// check input, then one character at a time, reduced whenever bit 15 is set.
struct Expected {
    std::uint32_t remainder = 0;
    int parity = 0;
};

Expected ReferenceCheck(const std::string& word) {
    std::string input = word.substr(0, 62);
    input += word[62] == '0' ? '1' : '0';
    std::uint32_t reg = 0;
    for (std::size_t i = 0; i < input.size(); ++i) {
        reg = (reg << 1) | (input[i] == '1' ? 1U : 0U);
        if (i >= 15 && (reg & 0x8000U) != 0)
            reg ^= 0xE815U;
    }
    int ones = 0;
    for (const char c : word)
        ones += c == '1' ? 1 : 0;
    return {reg, ones % 2};
}

std::string HexOf(std::uint32_t value) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0xFU]);
        value >>= 4;
    } while (value != 0);
    return text;
}

void ExpectSameCheck(const std::string& word) {
    const Expected expected = ReferenceCheck(word);
    const bool shouldFail = expected.remainder != 0 || expected.parity != 0;
    BlockLog.clear();
    std::string_view rest = word;
    std::string info;
    EXPECT_EQ(CheckCodeword(rest, info), shouldFail) << word;
    const std::string tail = " CRC=" + HexOf(expected.remainder) +
                             " Parity=" + std::to_string(expected.parity) +
                             (shouldFail ? " ERROR" : " OK");
    ASSERT_GE(BlockLog.size(), tail.size()) << word;
    EXPECT_EQ(BlockLog.substr(BlockLog.size() - tail.size()), tail) << word;
}

TEST(CodewordCheck, RandomWordsMatchTheCharacterByCharacterCheck) {
    std::mt19937_64 rng(11);
    for (int i = 0; i < 20000; ++i) {
        std::string word(64, '0');
        for (char& c : word)
            c = static_cast<char>('0' + (rng() & 1U));
        ExpectSameCheck(word);
    }
}

TEST(CodewordCheck, EverySingleFlipOfValidWordsFails) {
    std::mt19937_64 rng(12);
    for (int i = 0; i < 50; ++i) {
        std::string info(48, '0');
        for (char& c : info)
            c = static_cast<char>('0' + (rng() & 1U));
        const std::string word = encoder::Codeword(info);
        ExpectSameCheck(word);
        for (std::size_t position = 0; position < 64; ++position)
            ExpectSameCheck(encoder::Corrupt(word, position));
    }
}

// A stray character anywhere sends the word down the character-by-character way; the result
// must be what the rules for stray characters give.
TEST(CodewordCheck, StrayCharactersAnywhere) {
    std::mt19937_64 rng(13);
    const std::string strays = "x2/ \t\xB0\xB1";
    for (int i = 0; i < 2000; ++i) {
        std::string word(64, '0');
        for (char& c : word)
            c = static_cast<char>('0' + (rng() & 1U));
        word[rng() % 64] = strays[rng() % strays.size()];
        ExpectSameCheck(word);
    }
}

TEST(BitsToLong, ReadsFromTheFrontAsTheWeightsFromTheBack) {
    std::mt19937_64 rng(14);
    for (int i = 0; i < 2000; ++i) {
        std::string bits(rng() % 41, '0');
        for (char& c : bits)
            c = "01x"[rng() % 3];
        std::uint32_t value = 0;
        std::uint32_t weight = 1;
        for (auto it = bits.rbegin(); it != bits.rend(); ++it, weight <<= 1)
            value += *it == '1' ? weight : 0;
        EXPECT_EQ(static_cast<std::uint32_t>(BitsToLong(bits)), value) << bits;
    }
}

TEST(TakeDigit, MatchesBitsToLongOfUpToFourCharacters) {
    const std::string texts[] = {"", "1", "10", "101", "1010", "1111", "0x11", "11110000"};
    for (const std::string& text : texts) {
        std::string_view rest = text;
        const char digit = TakeDigit(rest);
        const std::string taken = text.substr(0, 4);
        EXPECT_EQ(digit, "0123456789ABCDEF"[BitsToLong(taken)]) << text;
        EXPECT_EQ(rest, std::string_view(text).substr(taken.size())) << text;
    }
}

} // namespace
