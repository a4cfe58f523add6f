// Which records --unit, --from, --to and --function let through: one table of calls and
// filters, each case saying which calls pass, and the values the options take.
#include "record_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A call from `from` to `to` whose headers carry these function codes (two: extended
// addressing).
vantrel::DecodedRecord Call(std::string from, std::string to,
                            std::vector<std::uint32_t> functions) {
    vantrel::DecodedRecord r;
    r.info.FromAddr = std::move(from);
    r.info.ToAddr = std::move(to);
    for (const std::uint32_t f : functions) {
        r.detail.headers.emplace_back();
        r.detail.headers.back().function = f;
    }
    return r;
}

std::vector<vantrel::DecodedRecord> Calls() {
    vantrel::DecodedRecord blockless;
    blockless.detail.noPatternLeft = true;
    return {Call("1234", "1567", {10}),      // 0: a normal call
            Call("1567", "1234", {18}),      // 1: its acknowledgement
            Call("8123", "2A9C4", {15, 10}), // 2: extended addressing, a normal call
            Call("4011", "4001", {25}),      // 3: short data
            Call("1234", "20C8", {25}),      // 4: short data from 1234
            blockless};                      // 5: no block to match
}

struct FilterCase {
    const char* name;
    vantrel::RecordFilter filter;
    std::vector<std::size_t> passing; // the indices of Calls() that pass
};

const FilterCase FilterCases[] = {
    {"None", {}, {0, 1, 2, 3, 4, 5}},
    {"UnitSentOrReceived", {.units = {"1234"}}, {0, 1, 4}},
    {"UnitsEitherOne", {.units = {"4001", "2A9C4"}}, {2, 3}},
    {"From", {.from = {"1234"}}, {0, 4}},
    {"To", {.to = {"1234"}}, {1}},
    {"FromAndTo", {.from = {"1234"}, .to = {"20C8"}}, {4}},
    {"FromAndToOfDifferentCalls", {.from = {"1567"}, .to = {"1567"}}, {}},
    {"FunctionOfTheFirstHeader", {.functions = {25}}, {3, 4}},
    {"FunctionOfTheSecondHeader", {.functions = {10}}, {0, 2}},
    {"FunctionsEitherOne", {.functions = {18, 15}}, {1, 2}},
    {"UnitAndFunction", {.units = {"1234"}, .functions = {25}}, {4}},
};

// Named in the test's name; the framework prints no more of it.
void PrintTo(const FilterCase& c, std::ostream* out) {
    *out << c.name;
}

class Filter : public testing::TestWithParam<FilterCase> {};

TEST_P(Filter, LetsThroughExactlyTheCallsThatMatch) {
    const std::vector<vantrel::DecodedRecord> calls = Calls();
    std::vector<std::size_t> passing;
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (GetParam().filter.Passes(calls[i]))
            passing.push_back(i);
    EXPECT_EQ(passing, GetParam().passing);
}

INSTANTIATE_TEST_SUITE_P(Cases, Filter, testing::ValuesIn(FilterCases),
                         [](const testing::TestParamInfo<FilterCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(FilterValues, AddressesAsTheReportWritesThem) {
    EXPECT_EQ(vantrel::AddressAsWritten("2a9c4"), "2A9C4");
    EXPECT_EQ(vantrel::AddressAsWritten("FFFFFF"), "FFFFFF");
    for (const char* bad : {"", "1234567", "12G4", "0x1234", " 1234"})
        EXPECT_FALSE(vantrel::AddressAsWritten(bad)) << bad;
}

TEST(FilterValues, FunctionsByCodeOrByTheReportsName) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> code;
    };
    for (const Case c :
         {Case{"10", 10}, Case{"0", 0}, Case{"63", 63}, Case{"64", std::nullopt},
          Case{"-1", std::nullopt}, Case{"Normal radio call", 10}, Case{"normal RADIO call", 10},
          Case{"Emergency reset", 0}, Case{"Status n.16", 47}, Case{"Status n.17", std::nullopt},
          Case{"Normal", std::nullopt}, Case{"", std::nullopt}})
        EXPECT_EQ(vantrel::FunctionCodeNamed(c.text), c.code) << c.text;
}

} // namespace
