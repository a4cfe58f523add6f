// The join crosses a field eight bytes at a time while none of them can be a delimiter. These
// cases put delimiters and their near neighbours at every place in and around such groups.
#include "bit_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// What the join of a plain (unquoted) text must give: each field's bits with the blanks at
// both ends dropped, the delimiters gone.
std::string PlainJoin(const std::string& content) {
    std::string joined;
    std::string field;
    auto flush = [&] {
        const std::size_t first = field.find_first_not_of(" \t");
        if (first != std::string::npos)
            joined += field.substr(first, field.find_last_not_of(" \t") - first + 1);
        field.clear();
    };
    for (const char c : content) {
        if (c == ',' || c == '\r' || c == '\n')
            flush();
        else
            field += c;
    }
    flush();
    return joined;
}

TEST(JoinFieldsGroups, DelimiterAtEveryPlace) {
    const std::string bits(40, '1');
    for (const char delimiter : {',', '\r', '\n'}) {
        for (std::size_t at = 0; at <= bits.size(); ++at) {
            std::string content = bits;
            content.insert(at, 1, delimiter);
            EXPECT_EQ(vantrel::JoinFields(content), bits) << int(delimiter) << " at " << at;
        }
    }
}

// Bytes that are no delimiters though some lie close to one in value, or have the top bit set
// on top of a delimiter's value: each stays where it is.
TEST(JoinFieldsGroups, LookAlikesAtEveryPlaceStay) {
    const std::string bits(40, '0');
    for (const char lookAlike : {'+', '-', '/', '\x8D', '\x8A', '\xAC', '\x0B', '\x1F'}) {
        for (std::size_t at = 1; at < bits.size(); ++at) {
            std::string content = bits;
            content.insert(at, 1, lookAlike);
            EXPECT_EQ(vantrel::JoinFields(content), content) << int(lookAlike) << " at " << at;
        }
    }
}

TEST(JoinFieldsGroups, MixedLinesAgreeWithThePlainRules) {
    std::string content;
    std::uint32_t state = 7;
    const std::string pieces[] = {"0", "1", "01", ",", "\r\n", "\n", "\r", " ", "\t", "\xB0", "+"};
    for (int i = 0; i < 20000; ++i) {
        state = state * 1103515245U + 12345U;
        const std::string& piece = pieces[(state >> 16) % std::size(pieces)];
        content += piece;
        if (i % 500 == 499) {
            EXPECT_EQ(vantrel::JoinFields(content), PlainJoin(content)) << i;
        }
    }
    EXPECT_EQ(vantrel::JoinFields(content), PlainJoin(content));
}

} // namespace
