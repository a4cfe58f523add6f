// --start-time: ISO 8601 times read to the millisecond, offsets turned to UTC, and the clock
// time of a moment written back.
#include "start_time.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

TEST(StartTime, IsoTimesAreReadToUtcMilliseconds) {
    constexpr std::int64_t Base = 1796677200000; // 2026-12-07T21:00:00Z
    const struct {
        const char* text;
        std::optional<std::int64_t> ms;
    } cases[] = {
        {"2026-12-07T21:00:00Z", Base},
        {"2026-12-07T21:00:00", Base},
        {"2026-12-07 21:00:00Z", Base},
        {"2026-12-07T21:00:00.25Z", Base + 250},
        {"2026-12-07T21:00:00,5Z", Base + 500},
        {"2026-12-07T22:00:00+01:00", Base},
        {"2026-12-07T15:30:00-05:30", Base},
        {"1970-01-01T00:00:00Z", 0},
        {"2024-02-29T00:00:00Z", 1709164800000},
        {"2026-02-29T00:00:00Z", std::nullopt}, // no such day
        {"2026-12-07T24:00:00Z", std::nullopt},
        {"2026-12-07T03:40Z", std::nullopt},
        {"2026-12-07T03:40:00.Z", std::nullopt},
        {"2026-12-07T03:40:00Zjunk", std::nullopt},
        {"2026-12-07T03:40:00+0100", std::nullopt},
        {"mtime", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(vantrel::ParseIsoTime(c.text), c.ms);
    }
}

TEST(StartTime, ClockTimesAreWrittenInUtcToTheMillisecond) {
    EXPECT_EQ(vantrel::IsoTime(1796677200000 + 1234), "2026-12-07T21:00:01.234Z");
    EXPECT_EQ(vantrel::IsoTime(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(vantrel::IsoTime(1709251199999), "2024-02-29T23:59:59.999Z");
}

} // namespace
