// Texts as Windows writes them become the plain UTF-8 text, however the bytes are cut into
// pieces; what UTF-16 cannot mean becomes one replacement character where it stood.
#include "text_encoding.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

namespace {

struct EncodingCase {
    const char* name;
    std::string bytes;
    std::string plain;
};

const std::string Fffd = "\xef\xbf\xbd";

const EncodingCase Cases[] = {
    {"utf16_le",
     std::string("\xff\xfe"
                 "0\0"
                 "1\0\r\0\n\0"
                 "1\0",
                 12),
     "01\r\n1"},
    {"utf16_be",
     std::string("\xfe\xff\0"
                 "0\0"
                 "1\0\r\0\n\0"
                 "1",
                 12),
     "01\r\n1"},
    {"utf8_with_mark",
     "\xef\xbb\xbf"
     "01\r\n1",
     "01\r\n1"},
    {"plain_stays",
     "01\xff\xfe"
     "1",
     "01\xff\xfe"
     "1"},
    {"short_plain", "0", "0"},
    // UTF-16 without its mark: a zero in every pair of bytes, always on the same side.
    {"utf16_le_unmarked",
     std::string("0\0"
                 "1\0\r\0\n\0"
                 "1\0",
                 10),
     "01\r\n1"},
    {"utf16_be_unmarked",
     std::string("\0"
                 "0\0"
                 "1\0\r\0\n\0"
                 "1",
                 10),
     "01\r\n1"},
    {"utf16_le_unmarked_two_characters",
     std::string("0\0"
                 "1\0",
                 4),
     "01"},
    // One pair tells nothing; zeros on both sides (silence), or on either side by turns, are
    // no UTF-16 of a bit text: all stay as they are.
    {"one_pair_stays", std::string("0\0", 2), std::string("0\0", 2)},
    {"zeros_both_sides_stay", std::string("\0\0\0\0\0\0\0\0", 8),
     std::string("\0\0\0\0\0\0\0\0", 8)},
    {"zeros_by_turns_stay",
     std::string("0\0\0"
                 "10\0\0"
                 "1",
                 8),
     std::string("0\0\0"
                 "10\0\0"
                 "1",
                 8)},
    {"mark_alone", "\xff\xfe", ""},
    // Beyond ASCII: an en dash, and a character outside the basic plane as a surrogate pair.
    {"utf16_le_wide",
     std::string("\xff\xfe\x13\x20"
                 "1\0\x3d\xd8\x00\xde",
                 10),
     "\xe2\x80\x93"
     "1\xf0\x9f\x98\x80"},
    // An odd last byte: a file cut short, its half character kept as one replacement.
    {"utf16_le_odd_end",
     std::string("\xff\xfe"
                 "0\0"
                 "1",
                 5),
     "0" + Fffd},
    {"utf16_lone_high",
     std::string("\xff\xfe\x3d\xd8"
                 "1\0",
                 6),
     Fffd + "1"},
    {"utf16_lone_low",
     std::string("\xff\xfe\x00\xde"
                 "1\0",
                 6),
     Fffd + "1"},
    {"utf16_high_at_end",
     std::string("\xff\xfe"
                 "1\0\x3d\xd8",
                 6),
     "1" + Fffd},
};

void PrintTo(const EncodingCase& c, std::ostream* out) {
    *out << c.name;
}

class TextEncodings : public testing::TestWithParam<EncodingCase> {};

TEST_P(TextEncodings, EveryCutGivesThePlainText) {
    const std::string& bytes = GetParam().bytes;
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        vantrel::TextDecoder decoder;
        std::string out;
        decoder.Feed(std::string_view(bytes).substr(0, cut), out);
        decoder.Feed(std::string_view(bytes).substr(cut), out);
        decoder.Finish(out);
        EXPECT_EQ(out, GetParam().plain) << "cut at " << cut;
    }
    vantrel::TextDecoder byteByByte;
    std::string out;
    for (const char c : bytes)
        byteByByte.Feed(std::string_view(&c, 1), out);
    byteByByte.Finish(out);
    EXPECT_EQ(out, GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextEncodings, testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

struct HintCase {
    const char* name;
    std::string text;
    const char* hint; // a word the hint must hold; empty: no hint
};

std::string Repeated(std::string_view piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

TEST(NoBitsHint, TellsWhatTheTextLooksLikeInstead) {
    const HintCase cases[] = {
        {"raw_sound", Repeated(std::string("\x02\x00\xfe\xff\x10\x00\xf0\xff", 8), 64), "binary"},
        {"utf16_without_mark", Repeated(std::string("a\0b\0\r\0\n\0", 8), 64), "UTF-16"},
        {"full_width_digits", "\xef\xbc\x90\xef\xbc\x91\xef\xbc\x91\r\n", "full-width"},
        {"words", "no bits here\r\n", ""},
        {"empty", "", ""},
    };
    for (const HintCase& c : cases) {
        const std::string_view hint = vantrel::NoBitsHint(c.text);
        if (*c.hint == '\0')
            EXPECT_TRUE(hint.empty()) << c.name << ": " << hint;
        else
            EXPECT_NE(hint.find(c.hint), std::string_view::npos) << c.name << ": " << hint;
    }
}

TEST(SpacedBits, OnlyBitsBetweenBlanksCount) {
    EXPECT_TRUE(vantrel::LooksLikeSpacedBits(Repeated("0 1 1 0 ", 8) + "\r\n"));
    EXPECT_TRUE(vantrel::LooksLikeSpacedBits(Repeated("01 10 ", 8)));
    // A recording with a blank here and there, and a text of words, are not.
    EXPECT_FALSE(vantrel::LooksLikeSpacedBits(Repeated("01101100", 8) + " 0110\r\n"));
    EXPECT_FALSE(vantrel::LooksLikeSpacedBits(Repeated("a b c d ", 8)));
}

} // namespace
