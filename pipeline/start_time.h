// When a recording began, as the user gives it (--start-time) or a marked text names it, and
// the wall-clock time of a moment in it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// Milliseconds since 1970-01-01T00:00:00Z of an ISO 8601 time: YYYY-MM-DDTHH:MM:SS, an
// optional fraction of a second, and Z or an offset (+HH:MM, -HH:MM). Without either it is
// local time as date(1) takes it, in the zone of TZ: of an hour the clocks go back over, its
// first reading (summer time); an hour they skip is no time. A space may stand for the T.
// Nothing when the text is not such a time.
std::optional<std::int64_t> ParseIsoTime(std::string_view text);

// What is wrong with `text` as a time for ParseIsoTime, in one line after the option's name;
// empty when it is such a time.
std::string IsoTimeProblem(std::string_view text);

// `text`, a time ParseIsoTime reads, as every machine reads it alike: itself when it names its
// zone, otherwise the UTC time it stands for here (IsoTime). Nothing when it is not such a time.
std::optional<std::string> ZonedIsoTime(std::string_view text);

// The time as ISO 8601 UTC to the millisecond: "2026-12-07T21:03:48.123Z".
std::string IsoTime(std::int64_t millisecondsSinceEpoch);

// When the recording at `path` began by --start-time `choice`: an ISO 8601 time, or "mtime":
// the file's modification time, taken as when its sound ended, less `seconds` of sound.
// Throws FileError when the file's time cannot be read; nothing when `choice` is empty.
std::optional<std::int64_t> StartTimeOf(const std::string& path, std::string_view choice,
                                        double seconds);

} // namespace vantrel
