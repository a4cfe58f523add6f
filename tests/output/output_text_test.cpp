#include "../harness/case_name.h"
#include "latin1.h"
#include "output_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

using namespace std::string_literals;

namespace {

struct TextCase {
    std::string in;
    std::string out;
};

void PrintTo(const TextCase& c, std::ostream* out) {
    *out << testing::PrintToString(c.in);
}

std::string TextCaseName(const testing::TestParamInfo<TextCase>& info) {
    return case_name::Bytes(info.param.in);
}

class XmlTextTable : public testing::TestWithParam<TextCase> {};

TEST_P(XmlTextTable, EscapesOnceAndReplacesWhatXmlCannotHold) {
    EXPECT_EQ(vantrel::XmlText(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, XmlTextTable,
    testing::Values(TextCase{"", ""}, TextCase{"plain 123", "plain 123"},
                    TextCase{"a&b<c>d\"e'f", "a&amp;b&lt;c&gt;d&quot;e&apos;f"},
                    TextCase{"&amp;", "&amp;amp;"}, TextCase{"\t\n\r", "&#9;&#10;&#13;"},
                    TextCase{"a\x01"
                             "b\x1F"
                             "c"s +
                                 '\0',
                             "a\xEF\xBF\xBD"
                             "b\xEF\xBF\xBD"
                             "c\xEF\xBF\xBD"},
                    TextCase{"caf\xC3\xA9", "caf\xC3\xA9"}),
    TextCaseName);

class HtmlTextTable : public testing::TestWithParam<TextCase> {};

// HTML (a map program's description) takes the control characters XML cannot hold as they are.
TEST_P(HtmlTextTable, EscapesOnceAndKeepsEveryOtherByte) {
    EXPECT_EQ(vantrel::HtmlText(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HtmlTextTable,
    testing::Values(TextCase{"", ""}, TextCase{"a&b<c>d\"e'f", "a&amp;b&lt;c&gt;d&quot;e&#39;f"},
                    TextCase{"&#39;", "&amp;#39;"},
                    TextCase{"\t\r\n\x01\x7F\xE9"s + '\0', "\t\r\n\x01\x7F\xE9"s + '\0'}),
    TextCaseName);

class CsvFieldTable : public testing::TestWithParam<TextCase> {};

TEST_P(CsvFieldTable, QuotesOnlyWhenNeeded) {
    EXPECT_EQ(vantrel::CsvField(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CsvFieldTable,
    testing::Values(TextCase{"", ""}, TextCase{"plain", "plain"}, TextCase{"a,b", "\"a,b\""},
                    TextCase{"say \"hi\"", "\"say \"\"hi\"\"\""},
                    TextCase{"two\r\nlines", "\"two\r\nlines\""},
                    TextCase{"bell\x07", "\"bell\x07\""}, TextCase{" lead", "\" lead\""},
                    TextCase{"trail ", "\"trail \""}, TextCase{"in side", "in side"},
                    TextCase{"<&>;=", "<&>;="}),
    TextCaseName);

TEST(NumberText, ReadsBackAsTheSameNumberInTheShortestForm) {
    const double values[] = {0.0, 48.1173, -11.51667, 90.0, -180.0, 1e-7, 0.1 + 0.2, 123456789.0};
    for (const double v : values) {
        const std::string text = vantrel::NumberText(v);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
        EXPECT_EQ(text.find(','), std::string::npos) << text;
    }
    EXPECT_EQ(vantrel::NumberText(48.1173), "48.1173");
    EXPECT_EQ(vantrel::NumberText(-6.50562), "-6.50562");
}

struct Utf8Case {
    const char* name;
    std::string text;
    bool valid;
};

void PrintTo(const Utf8Case& c, std::ostream* out) {
    *out << testing::PrintToString(c.text);
}

class IsUtf8Table : public testing::TestWithParam<Utf8Case> {};

TEST_P(IsUtf8Table, AcceptsOnlyWellFormedText) {
    EXPECT_EQ(vantrel::IsUtf8(GetParam().text), GetParam().valid);
    // Whatever comes in, what goes out is UTF-8.
    EXPECT_TRUE(vantrel::IsUtf8(vantrel::Utf8OrLatin1(GetParam().text)));
    if (GetParam().valid) {
        EXPECT_EQ(vantrel::Utf8OrLatin1(GetParam().text), GetParam().text);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, IsUtf8Table,
                         testing::Values(Utf8Case{"Empty", "", true},
                                         Utf8Case{"Ascii", "rx.txt", true},
                                         Utf8Case{"TwoBytes", "caf\xC3\xA9", true},
                                         Utf8Case{"ThreeBytes", "\xE2\x82\xAC", true},
                                         Utf8Case{"FourBytes", "\xF0\x9F\x98\x80", true},
                                         Utf8Case{"Latin1Byte", "caf\xE9", false},
                                         Utf8Case{"CutSequence", "\xE2\x82", false},
                                         Utf8Case{"LoneContinuation", "\x80", false},
                                         Utf8Case{"OverlongTwo", "\xC0\xAF", false},
                                         Utf8Case{"OverlongThree", "\xE0\x80\xAF", false},
                                         Utf8Case{"Surrogate", "\xED\xA0\x80", false},
                                         Utf8Case{"BeyondUnicode", "\xF4\x90\x80\x80", false},
                                         Utf8Case{"BadSecondByte", "\xC3\x28", false}),
                         [](const testing::TestParamInfo<Utf8Case>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
