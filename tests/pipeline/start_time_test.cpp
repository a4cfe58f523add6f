// --start-time: ISO 8601 times read to the millisecond, offsets turned to UTC, a time without
// a zone read as local time, and the clock time of a moment written back.
#include "../harness/local_zone.h"
#include "start_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace {

TEST(StartTime, IsoTimesAreReadToUtcMilliseconds) {
    constexpr std::int64_t Base = 1796677200000; // 2026-12-07T21:00:00Z
    const struct {
        const char* text;
        std::optional<std::int64_t> ms;
    } cases[] = {
        {"2026-12-07T21:00:00Z", Base},
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

// Without a zone a time is local, as date(1) reads it: winter and summer time, the hour the
// clocks skip is none, the hour they go back over read in summer time, its first reading,
// both where summer time ends before and after UTC's midnight. A zone wins. Written as POSIX
// rules, so that no time zone database is needed.
TEST(StartTime, TimesWithoutZoneAreLocal) {
    constexpr std::int64_t Winter = 1796677200000; // 2026-12-07T21:00:00Z
    constexpr std::int64_t Summer = 1783458000000; // 2026-07-07T21:00:00Z
    const struct {
        const char* zone;
        const char* text;
        std::optional<std::int64_t> ms;
    } cases[] = {
        {"UTC0", "2026-12-07T21:00:00", Winter},
        {"EST5EDT,M3.2.0,M11.1.0", "2026-12-07T16:00:00", Winter},
        {"EST5EDT,M3.2.0,M11.1.0", "2026-12-07 16:00:00.25", Winter + 250},
        {"EST5EDT,M3.2.0,M11.1.0", "2026-07-07T17:00:00", Summer},
        {"EST5EDT,M3.2.0,M11.1.0", "2026-03-08T02:30:00", std::nullopt},
        {"EST5EDT,M3.2.0,M11.1.0", "2026-11-01T01:30:00", 1793511000000},
        {"EST5EDT,M3.2.0,M11.1.0", "2026-12-07T21:00:00Z", Winter},
        {"CET-1CEST,M3.5.0,M10.5.0/3", "2026-12-07T22:00:00", Winter},
        {"CET-1CEST,M3.5.0,M10.5.0/3", "2026-10-25T02:30:00", 1792888200000},
        {"CET-1CEST,M3.5.0,M10.5.0/3", "2026-12-07T23:59:60", Winter + 7200000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + c.text);
        const LocalZone zone(c.zone);
        EXPECT_EQ(vantrel::ParseIsoTime(c.text), c.ms);
        // A time the clocks skip is refused with its own reason.
        EXPECT_EQ(vantrel::IsoTimeProblem(c.text).find("skip") != std::string::npos, !c.ms);
    }
}

// What vantrel-demod writes into its first line: a time with a zone as given, one without it
// in UTC, so that a reader in another zone reads the same time.
TEST(StartTime, ZonedTimesReadTheSameEverywhere) {
    const LocalZone zone("EST5EDT,M3.2.0,M11.1.0");
    EXPECT_EQ(vantrel::ZonedIsoTime("2026-12-07T21:00:00+01:00"), "2026-12-07T21:00:00+01:00");
    EXPECT_EQ(vantrel::ZonedIsoTime("2026-12-07T16:00:00.5"), "2026-12-07T21:00:00.500Z");
    EXPECT_EQ(vantrel::ZonedIsoTime("16:00"), std::nullopt);
    EXPECT_NE(vantrel::IsoTimeProblem("16:00").find("ISO 8601"), std::string::npos);
    EXPECT_EQ(vantrel::IsoTimeProblem("2026-12-07T16:00:00"), "");
}

TEST(StartTime, ClockTimesAreWrittenInUtcToTheMillisecond) {
    EXPECT_EQ(vantrel::IsoTime(1796677200000 + 1234), "2026-12-07T21:00:01.234Z");
    EXPECT_EQ(vantrel::IsoTime(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(vantrel::IsoTime(1709251199999), "2024-02-29T23:59:59.999Z");
}

} // namespace
