#include "../harness/case_name.h"
#include "record_writer.h"

#include <gtest/gtest.h>

namespace {

struct TimeCase {
    const char* date;
    const char* time;
    const char* iso; // nullptr: no time
};

void PrintTo(const TimeCase& c, std::ostream* out) {
    *out << "date \"" << c.date << "\", time \"" << c.time << "\"";
}

std::string CaseName(const testing::TestParamInfo<TimeCase>& info) {
    return "Date_" + case_name::Bytes(info.param.date) + "_Time_" +
           case_name::Bytes(info.param.time);
}

class NmeaUtcTimeTable : public testing::TestWithParam<TimeCase> {};

TEST_P(NmeaUtcTimeTable, OnlyPlainDatesAndTimes) {
    const TimeCase& c = GetParam();
    const std::optional<std::string> iso = vantrel::NmeaUtcTime(c.date, c.time);
    if (c.iso == nullptr) {
        EXPECT_FALSE(iso.has_value()) << *iso;
    } else {
        EXPECT_EQ(iso, std::optional<std::string>(c.iso));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, NmeaUtcTimeTable,
    testing::Values(TimeCase{"230394", "123519", "1994-03-23T12:35:19Z"},
                    TimeCase{"071226", "000000", "2026-12-07T00:00:00Z"},
                    TimeCase{"010180", "235959.5", "1980-01-01T23:59:59.5Z"},
                    TimeCase{"311279", "120000.12345", "2079-12-31T12:00:00.123Z"},
                    TimeCase{"", "123519", nullptr}, TimeCase{"230394", "", nullptr},
                    TimeCase{"23039", "123519", nullptr}, TimeCase{"230394", "12351", nullptr},
                    TimeCase{"321294", "123519", nullptr}, TimeCase{"231394", "123519", nullptr},
                    TimeCase{"000394", "123519", nullptr}, TimeCase{"230394", "246000", nullptr},
                    TimeCase{"230394", "12a519", nullptr}, TimeCase{"230394", "123519.", nullptr},
                    TimeCase{"230394", "123519.x", nullptr}),
    CaseName);

} // namespace
