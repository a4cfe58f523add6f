#include "../harness/case_name.h"
#include "latin1.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

struct Latin1Case {
    std::string latin1;
    std::string utf8;
};

void PrintTo(const Latin1Case& c, std::ostream* out) {
    *out << testing::PrintToString(c.latin1);
}

class Latin1ToUtf8 : public testing::TestWithParam<Latin1Case> {};

TEST_P(Latin1ToUtf8, EveryByteBecomesItsCharacter) {
    EXPECT_EQ(vantrel::Latin1ToUtf8(GetParam().latin1), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Texts, Latin1ToUtf8,
                         testing::Values(Latin1Case{"", ""}, Latin1Case{"Italy 0101", "Italy 0101"},
                                         Latin1Case{"\x7F", "\x7F"}, Latin1Case{"\x80", "\xC2\x80"},
                                         Latin1Case{"\xBF", "\xC2\xBF"},
                                         Latin1Case{"\xC0", "\xC3\x80"},
                                         Latin1Case{"caf\xE9", "caf\xC3\xA9"},
                                         Latin1Case{"\xFF", "\xC3\xBF"},
                                         Latin1Case{"a\xE9\xE9z", "a\xC3\xA9\xC3\xA9z"},
                                         Latin1Case{"0"s + '\0' + "1", "0"s + '\0' + "1"}),
                         [](const auto& info) { return case_name::Bytes(info.param.latin1); });

} // namespace
