// Clock times as a person reads them: the records carry ISO 8601 in UTC (heard.utc, finalAt),
// a person on a terminal or a page reads the local time, or UTC when asked (--utc).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// Milliseconds since 1970-01-01T00:00:00Z of a time as the records carry it,
// "2026-12-07T21:03:48.123Z" (a shorter fraction, or none, is read too; never a leap second,
// which the records' clock does not write); nothing for any other text.
std::optional<std::int64_t> RecordTimeMilliseconds(std::string_view text);

struct ClockStyle {
    bool utc = false;  // UTC, marked "Z"; else the local time
    int decimals = 0;  // of the second, 0-3, cut rather than rounded (as a clock shows it)
    bool zone = false; // the local time's offset after it, " +01:00"
};

// "2026-12-07 22:03:48.1" in the local time, "2026-12-07 21:03:48.1Z" in UTC.
std::string ClockText(std::int64_t milliseconds, const ClockStyle& style);

} // namespace vantrel
