// Clock times: read back from the records' ISO 8601 text, and shown in UTC or the local time
// of the zone TZ names, a fraction of a second cut as a clock shows it.
#include "../harness/local_zone.h"
#include "clock_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

TEST(RecordTime, ReadsTheRecordsTimesAndNothingElse) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> milliseconds;
    };
    for (const Case c :
         {Case{"1970-01-01T00:00:00.000Z", 0}, Case{"2026-12-07T21:03:48.123Z", 1796677428123},
          Case{"2026-12-07T21:03:48Z", 1796677428000},
          Case{"2026-12-07T21:03:48.5Z", 1796677428500},
          Case{"2024-02-29T00:00:00Z", 1709164800000}, Case{"1969-12-31T23:59:59.999Z", -1},
          Case{"2023-02-29T00:00:00Z", std::nullopt}, Case{"2026-12-07T24:00:00Z", std::nullopt},
          Case{"2026-12-07T21:03:48", std::nullopt},
          Case{"2026-12-07T21:03:48+01:00", std::nullopt},
          Case{"2026-12-07 21:03:48Z", std::nullopt}, Case{"", std::nullopt}})
        EXPECT_EQ(vantrel::RecordTimeMilliseconds(c.text), c.milliseconds) << c.text;
}

TEST(ClockText, UtcOrLocalTimeWithItsFractionCut) {
    struct Case {
        const char* zone;
        std::int64_t milliseconds;
        vantrel::ClockStyle style;
        const char* text;
    };
    for (const Case& c : {
             Case{"CET-1", 1796677428999, {.utc = true, .decimals = 1}, "2026-12-07 21:03:48.9Z"},
             Case{"CET-1", 1796677428999, {.decimals = 3}, "2026-12-07 22:03:48.999"},
             Case{"CET-1", 1796677428999, {.zone = true}, "2026-12-07 22:03:48 +01:00"},
             Case{"NST+3:30", 1796677428000, {.zone = true}, "2026-12-07 17:33:48 -03:30"},
             Case{"UTC0", -1, {.utc = true, .decimals = 3}, "1969-12-31 23:59:59.999Z"},
         }) {
        const LocalZone zone(c.zone);
        EXPECT_EQ(vantrel::ClockText(c.milliseconds, c.style), c.text) << c.zone;
    }
}

} // namespace
