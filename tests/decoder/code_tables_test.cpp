#include "modETSI300230.h"

#include <gtest/gtest.h>

using namespace modETSI300230;

namespace {

struct TextCase {
    std::string bits;
    std::string text;
};

TEST(CodeTables, OperatingModes) {
    const TextCase cases[] = {{"000", "System function"}, {"001", "Call"},
                              {"010", "Acknowledgement"}, {"011", "Special function"},
                              {"100", "Status transfer"}, {"101", "Status transfer"},
                              {"110", "Reserved category"}, {"111", "Custom function"},
                              {"1xy", "Status transfer"}, {"", "System function"}};
    for (const TextCase& c : cases)
        EXPECT_EQ(OpModeText(c.bits), c.text) << c.bits;
}

TEST(CodeTables, Functions) {
    const TextCase cases[] = {
        {"000000", "Emergency reset"},   {"000111", "Repeater OFF"},
        {"001010", "Normal radio call"}, {"001111", "External addressing"},
        {"010011", "Absent/Unavailable Ack"}, {"011001", "Short data transfer"},
        {"011111", "Mobile disable"},    {"100000", "Status n.1"},
        {"100111", "Status n.8"},        {"101000", "Status n.9"},
        {"101111", "Status n.16"},       {"110000", ""},
        {"111111", ""},                  {"11001", "Short data transfer"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(FunctionText(c.bits), c.text) << c.bits;
}

TEST(CodeTables, Countries) {
    const TextCase cases[] = {
        {"000000", "Other"},   {"000011", "Czech Rep. / Slovak Rep."},
        {"001010", "Italy"},   {"010110", "San Marino / Baltic Republics"},
        {"011111", "Monaco"},  {"100000", ""},
        {"111111", ""},        {"", "Other"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(CountryText(c.bits), c.text) << c.bits;
}

} // namespace
