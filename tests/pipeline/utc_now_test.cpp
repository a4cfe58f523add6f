// The time follow mode stamps on a record as final, read back as a calendar date: it must be
// the clock's now, not only look like a time.
#include "record_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

namespace {

TEST(UtcNow, ReadsBackAsTheClocksTime) {
    const std::time_t before = std::time(nullptr);
    const std::string now = vantrel::UtcNow();
    const std::time_t after = std::time(nullptr);
    std::tm utc{};
    int millis = -1;
    char zone = '\0';
    int length = 0;
    ASSERT_EQ(std::sscanf(now.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%c%n", &utc.tm_year, &utc.tm_mon,
                          &utc.tm_mday, &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &millis, &zone,
                          &length),
              8)
        << now;
    EXPECT_EQ(zone, 'Z') << now;
    EXPECT_EQ(static_cast<std::size_t>(length), now.size()) << now;
    EXPECT_TRUE(millis >= 0 && millis <= 999) << now;
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
    // A minute either way leaves room for a busy machine; a wrong date or hour is far beyond.
    const std::time_t read = timegm(&utc);
    EXPECT_GE(read, before - 60) << now;
    EXPECT_LE(read, after + 60) << now;
}

} // namespace
