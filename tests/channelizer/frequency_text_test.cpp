// Frequencies as written in options, read and written back.
#include "frequency_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>

namespace {

using channelizer::FrequencyError;
using channelizer::ParseFrequency;

struct Good {
    const char* text;
    double hz;
};

void PrintTo(const Good& g, std::ostream* os) {
    *os << g.text;
}

// A case's name from its text: letters and digits kept, the point as "p".
std::string NameOf(std::string_view text) {
    std::string name;
    for (const char c : text)
        name += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : c == '.' ? 'p' : '_';
    return name.empty() ? "empty" : name;
}

class ReadsAs : public testing::TestWithParam<Good> {};

TEST_P(ReadsAs, Hz) {
    EXPECT_DOUBLE_EQ(ParseFrequency(GetParam().text), GetParam().hz);
}

INSTANTIATE_TEST_SUITE_P(Texts, ReadsAs,
                         testing::Values(Good{"169.45M", 169.45e6}, Good{"169.4125m", 169.4125e6},
                                         Good{"12.5k", 12500}, Good{"12.5kHz", 12500},
                                         Good{"2400000", 2.4e6}, Good{"2.4MHZ", 2.4e6},
                                         Good{"1.2G", 1.2e9}, Good{".5k", 500}, Good{"7.", 7},
                                         Good{"0.0015", 0.002}, Good{"169.000001M", 169000001}),
                         [](const auto& info) { return "text_" + NameOf(info.param.text); });

class Refused : public testing::TestWithParam<const char*> {};

TEST_P(Refused, InOneLineNamingTheText) {
    try {
        ParseFrequency(GetParam());
        FAIL() << GetParam() << " was read";
    } catch (const FrequencyError& error) {
        const std::string what = error.what();
        EXPECT_EQ(what.find('\n'), std::string::npos) << what;
        EXPECT_NE(what.find("is not a frequency"), std::string::npos) << what;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, Refused,
                         testing::Values("", "M", "k", "Hz", "1.2.3M", "-5k", "+5k", "1e6", "inf",
                                         "nan", "5 k", "12,5k", "0", "0.0004", "2T", "5000G",
                                         "169.45MM"),
                         [](const auto& info) {
                             return std::to_string(info.index) + "_" + NameOf(info.param);
                         });

TEST(ParseFrequencyList, EachInOrderAndNoEmptyItem) {
    EXPECT_EQ(channelizer::ParseFrequencyList("169.4125M,169.425M,169450000"),
              (std::vector<double>{169.4125e6, 169.425e6, 169.45e6}));
    EXPECT_THROW(channelizer::ParseFrequencyList("169.4125M,,169.425M"), FrequencyError);
    EXPECT_THROW(channelizer::ParseFrequencyList("169.4125M,"), FrequencyError);
}

TEST(FrequencyText, ReadsBackAsTheSameFrequency) {
    for (const double hz : {169.4125e6, 12500.0, 6250.0, 950.0, 2.4e6, 1.2e9, 169000001.0, 0.5})
        EXPECT_DOUBLE_EQ(ParseFrequency(channelizer::FrequencyText(hz)), hz) << hz;
    EXPECT_EQ(channelizer::FrequencyText(169.4125e6), "169.4125M");
    EXPECT_EQ(channelizer::FrequencyText(12500), "12.5k");
}

} // namespace
