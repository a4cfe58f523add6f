#include "start_time.h"

#include "file_error.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

namespace vantrel {

namespace {

// Reads `count` digits at `at` into `value`, moving `at` past them.
bool Digits(std::string_view text, std::size_t& at, int count, int& value) {
    value = 0;
    for (int i = 0; i < count; ++i, ++at) {
        if (at >= text.size() || text[at] < '0' || text[at] > '9')
            return false;
        value = value * 10 + (text[at] - '0');
    }
    return true;
}

bool Expect(std::string_view text, std::size_t& at, char c) {
    if (at >= text.size() || text[at] != c)
        return false;
    ++at;
    return true;
}

// An ISO 8601 time as written: its date and clock fields, and its zone when it names one.
struct ClockText {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    double fraction = 0;
    std::optional<int> offsetMinutes; // Z is 0; nothing: no zone, local time
};

std::optional<ClockText> ReadClockText(std::string_view text) {
    ClockText clock;
    std::size_t at = 0;
    if (!Digits(text, at, 4, clock.year) || !Expect(text, at, '-') ||
        !Digits(text, at, 2, clock.month) || !Expect(text, at, '-') ||
        !Digits(text, at, 2, clock.day))
        return std::nullopt;
    if (at >= text.size() || (text[at] != 'T' && text[at] != ' '))
        return std::nullopt;
    ++at;
    if (!Digits(text, at, 2, clock.hour) || !Expect(text, at, ':') ||
        !Digits(text, at, 2, clock.minute) || !Expect(text, at, ':') ||
        !Digits(text, at, 2, clock.second))
        return std::nullopt;
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
        ++at;
        double scale = 0.1;
        const std::size_t first = at;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, scale /= 10)
            clock.fraction += (text[at] - '0') * scale;
        if (at == first)
            return std::nullopt;
    }
    if (at < text.size() && text[at] == 'Z') {
        ++at;
        clock.offsetMinutes = 0;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        const int sign = text[at] == '-' ? -1 : 1;
        ++at;
        int hours = 0, minutes = 0;
        if (!Digits(text, at, 2, hours) || !Expect(text, at, ':') ||
            !Digits(text, at, 2, minutes) || hours > 23 || minutes > 59)
            return std::nullopt;
        clock.offsetMinutes = sign * (hours * 60 + minutes);
    }
    if (at != text.size())
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(clock.year),
                                           std::chrono::month(static_cast<unsigned>(clock.month)),
                                           std::chrono::day(static_cast<unsigned>(clock.day))};
    if (!date.ok() || clock.hour > 23 || clock.minute > 59 || clock.second > 60)
        return std::nullopt;
    return clock;
}

// Seconds since 1970 of the clock's whole seconds in its zone.
std::int64_t ZonedSeconds(const ClockText& clock) {
    const std::chrono::year_month_day date{std::chrono::year(clock.year),
                                           std::chrono::month(static_cast<unsigned>(clock.month)),
                                           std::chrono::day(static_cast<unsigned>(clock.day))};
    const std::int64_t days = std::chrono::sys_days(date).time_since_epoch().count();
    return days * 86400 + std::int64_t{clock.hour} * 3600 + std::int64_t{clock.minute} * 60 +
           clock.second - std::int64_t{*clock.offsetMinutes} * 60;
}

// Seconds since 1970 of the clock's whole seconds in local time, as date(1) reads a time
// without a zone. Of an hour the clocks go back over, the first reading (summer time), which
// mktime left to itself would pick by what it was asked before; an hour they skip is no time,
// which mktime would move to one that is. A leap second is the one after :59.
std::optional<std::int64_t> LocalSeconds(const ClockText& clock) {
    std::optional<std::int64_t> first;
    for (const int summer : {-1, 0, 1}) {
        std::tm local{};
        local.tm_year = clock.year - 1900;
        local.tm_mon = clock.month - 1;
        local.tm_mday = clock.day;
        local.tm_hour = clock.hour;
        local.tm_min = clock.minute;
        local.tm_sec = std::min(clock.second, 59);
        local.tm_isdst = summer;
        const std::int64_t seconds = std::mktime(&local);
        // A reading that mktime had to move is not this clock time.
        if (local.tm_year != clock.year - 1900 || local.tm_mon != clock.month - 1 ||
            local.tm_mday != clock.day || local.tm_hour != clock.hour ||
            local.tm_min != clock.minute)
            continue;
        if (!first || seconds < *first)
            first = seconds;
    }
    if (!first)
        return std::nullopt;
    return *first + (clock.second - std::min(clock.second, 59));
}

std::optional<std::int64_t> SecondsOf(const ClockText& clock) {
    return clock.offsetMinutes ? ZonedSeconds(clock) : LocalSeconds(clock);
}

} // namespace

std::optional<std::int64_t> ParseIsoTime(std::string_view text) {
    const std::optional<ClockText> clock = ReadClockText(text);
    if (!clock)
        return std::nullopt;
    const std::optional<std::int64_t> seconds = SecondsOf(*clock);
    if (!seconds)
        return std::nullopt;
    return *seconds * 1000 + static_cast<std::int64_t>(std::llround(clock->fraction * 1000));
}

std::string IsoTimeProblem(std::string_view text) {
    const std::optional<ClockText> clock = ReadClockText(text);
    if (!clock)
        return std::string(text) + " is not an ISO 8601 time such as 2026-12-07T21:03:48Z";
    if (!SecondsOf(*clock))
        return std::string(text) + " is no local time here (the clocks skip it): give its zone";
    return {};
}

std::optional<std::string> ZonedIsoTime(std::string_view text) {
    const std::optional<ClockText> clock = ReadClockText(text);
    if (!clock)
        return std::nullopt;
    if (clock->offsetMinutes)
        return std::string(text);
    const std::optional<std::int64_t> milliseconds = ParseIsoTime(text);
    if (!milliseconds)
        return std::nullopt;
    return IsoTime(*milliseconds);
}

std::string IsoTime(std::int64_t millisecondsSinceEpoch) {
    const std::chrono::sys_time<std::chrono::milliseconds> time{
        std::chrono::milliseconds(millisecondsSinceEpoch)};
    const auto days = std::chrono::floor<std::chrono::days>(time);
    const std::chrono::year_month_day date{days};
    const std::chrono::hh_mm_ss clock{time - days};
    char text[40];
    std::snprintf(
        text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
        static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
        static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
    return text;
}

std::optional<std::int64_t> StartTimeOf(const std::string& path, std::string_view choice,
                                        double seconds) {
    if (choice.empty())
        return std::nullopt;
    if (choice != "mtime")
        return ParseIsoTime(choice);
    struct stat status {};
    if (path == "-" || ::stat(path.c_str(), &status) != 0)
        throw FileError(path, path == "-" ? "--start-time mtime needs a named file"
                                          : std::strerror(errno));
    const std::int64_t modified =
        std::int64_t{status.st_mtim.tv_sec} * 1000 + status.st_mtim.tv_nsec / 1000000;
    return modified - static_cast<std::int64_t>(std::llround(seconds * 1000));
}

} // namespace vantrel
