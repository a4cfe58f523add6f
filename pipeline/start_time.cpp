#include "start_time.h"

#include "file_error.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
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

} // namespace

std::optional<std::int64_t> ParseIsoTime(std::string_view text) {
    std::size_t at = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!Digits(text, at, 4, year) || !Expect(text, at, '-') || !Digits(text, at, 2, month) ||
        !Expect(text, at, '-') || !Digits(text, at, 2, day))
        return std::nullopt;
    if (at >= text.size() || (text[at] != 'T' && text[at] != ' '))
        return std::nullopt;
    ++at;
    if (!Digits(text, at, 2, hour) || !Expect(text, at, ':') || !Digits(text, at, 2, minute) ||
        !Expect(text, at, ':') || !Digits(text, at, 2, second))
        return std::nullopt;
    double fraction = 0;
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
        ++at;
        double scale = 0.1;
        const std::size_t first = at;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, scale /= 10)
            fraction += (text[at] - '0') * scale;
        if (at == first)
            return std::nullopt;
    }
    int offsetMinutes = 0;
    if (at < text.size() && text[at] == 'Z') {
        ++at;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        const int sign = text[at] == '-' ? -1 : 1;
        ++at;
        int hours = 0, minutes = 0;
        if (!Digits(text, at, 2, hours) || !Expect(text, at, ':') ||
            !Digits(text, at, 2, minutes) || hours > 23 || minutes > 59)
            return std::nullopt;
        offsetMinutes = sign * (hours * 60 + minutes);
    }
    if (at != text.size())
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(year),
                                           std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok() || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    const std::int64_t days = std::chrono::sys_days(date).time_since_epoch().count();
    const std::int64_t seconds =
        days * 86400 + hour * 3600 + minute * 60 + second - std::int64_t{offsetMinutes} * 60;
    return seconds * 1000 + static_cast<std::int64_t>(std::llround(fraction * 1000));
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
