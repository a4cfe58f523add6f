// The options of the record filters and of how a person reads the records: what they parse
// into, what they refuse, and when brief is written in colour.
#include "filter_options.h"
#include "view_options.h"

#include <CLI/CLI.hpp>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vantrel::decode::FilterOptions;

struct Parsed {
    FilterOptions filters;
    std::vector<std::string> files;
    std::string error; // empty: parsed
};

Parsed Parse(std::vector<std::string> arguments) {
    Parsed parsed;
    CLI::App app;
    vantrel::decode::AddFilterOptions(app, parsed.filters);
    app.add_option("FILE", parsed.files);
    std::vector<char*> argv = {const_cast<char*>("vantrel-decode")};
    for (std::string& a : arguments)
        argv.push_back(a.data());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& error) {
        parsed.error = error.what();
    }
    return parsed;
}

// Each option takes one value and may come again; the file after it stays a file.
TEST(FilterOptions, OneValueEachTimeAndTheFileStaysAFile) {
    const Parsed p = Parse({"--unit", "2a9c4", "--unit", "1234", "--function", "normal radio call",
                            "--function", "25", "a.txt", "b.txt"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.files, (std::vector<std::string>{"a.txt", "b.txt"}));
    const vantrel::RecordFilter filter = vantrel::decode::FilterOf(p.filters);
    EXPECT_EQ(filter.units, (std::vector<std::string>{"2A9C4", "1234"}));
    EXPECT_EQ(filter.functions, (std::vector<std::uint32_t>{10, 25}));
}

TEST(FilterOptions, RefusesWhatNamesNoAddressOrFunction) {
    struct Case {
        std::vector<std::string> arguments;
        const char* error;
    };
    for (const Case& c :
         {Case{{"--from", "12345678", "a.txt"}, "--from: 12345678 is no address"},
          Case{{"--to", "0x12", "a.txt"}, "--to: 0x12 is no address"},
          Case{{"--function", "Normal", "a.txt"}, "--function: Normal is no function"},
          Case{{"--function", "64", "a.txt"}, "--function: 64 is no function"}})
        EXPECT_EQ(Parse(c.arguments).error.rfind(c.error, 0), 0U) << Parse(c.arguments).error;
}

// The text report keeps every block: a filter with it is refused, naming the option given.
TEST(FilterOptions, RefusedWithTheTextReportOnly) {
    struct Case {
        FilterOptions filters;
        const char* format;
        const char* problemStart; // nullptr: accepted
    };
    for (const Case& c : {Case{{.to = {"1234"}}, "text", "--to chooses records"},
                          Case{{.functions = {"10"}}, "text", "--function chooses records"},
                          Case{{.units = {"1234"}}, "brief", nullptr},
                          Case{{.from = {"1234"}}, "html", nullptr}, Case{{}, "text", nullptr}}) {
        const std::optional<std::string> problem =
            vantrel::decode::FilterProblem(c.filters, c.format);
        EXPECT_EQ(problem.has_value(), c.problemStart != nullptr) << c.format;
        if (problem && c.problemStart != nullptr) {
            EXPECT_EQ(problem->rfind(c.problemStart, 0), 0U) << *problem;
        }
    }
}

TEST(ViewOptions, ColourOnlyOnATerminalThatTakesItAndWithoutNoColor) {
    struct Case {
        bool terminal;
        const char* noColor;
        const char* term;
        bool colour;
    };
    for (const Case& c : {Case{true, nullptr, "xterm-256color", true},
                          Case{true, "", "xterm", true}, // set but empty: not asked for
                          Case{true, nullptr, nullptr, true}, Case{false, nullptr, "xterm", false},
                          Case{true, "1", "xterm", false},
                          Case{true, "0", "xterm", false}, // any value asks for none
                          Case{true, nullptr, "dumb", false}})
        EXPECT_EQ(vantrel::decode::ColourWanted(c.terminal, c.noColor, c.term), c.colour)
            << c.terminal << " NO_COLOR=" << (c.noColor ? c.noColor : "(unset)")
            << " TERM=" << (c.term ? c.term : "(unset)");
}

TEST(ViewOptions, UtcOnlyWhereClockTimesAreShown) {
    for (const char* format : {"brief", "html"})
        EXPECT_FALSE(vantrel::decode::ViewProblem({.utc = true}, format)) << format;
    for (const char* format : {"text", "json", "csv"})
        EXPECT_TRUE(vantrel::decode::ViewProblem({.utc = true}, format)) << format;
    EXPECT_FALSE(vantrel::decode::ViewProblem({}, "text"));
}

} // namespace
