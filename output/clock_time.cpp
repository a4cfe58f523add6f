#include "clock_time.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace vantrel {

namespace {

// The digits of text[at, at + count) as a number; nothing when any is not a digit.
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool CharAt(std::string_view text, std::size_t at, char c) {
    return at < text.size() && text[at] == c;
}

} // namespace

std::optional<std::int64_t> RecordTimeMilliseconds(std::string_view text) {
    const auto year = Digits(text, 0, 4);
    const auto month = Digits(text, 5, 2);
    const auto day = Digits(text, 8, 2);
    const auto hour = Digits(text, 11, 2);
    const auto minute = Digits(text, 14, 2);
    const auto second = Digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second || !CharAt(text, 4, '-') ||
        !CharAt(text, 7, '-') || !CharAt(text, 10, 'T') || !CharAt(text, 13, ':') ||
        !CharAt(text, 16, ':') || *hour > 23 || *minute > 59 || *second > 59)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(*year),
                                           std::chrono::month(static_cast<unsigned>(*month)),
                                           std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok())
        return std::nullopt;
    std::size_t at = 19;
    int milliseconds = 0;
    if (CharAt(text, at, '.')) {
        int scale = 100;
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, scale /= 10)
            milliseconds += (text[at] - '0') * scale;
    }
    if (at + 1 != text.size() || text[at] != 'Z')
        return std::nullopt;
    const std::int64_t days = std::chrono::sys_days(date).time_since_epoch().count();
    return ((days * 24 + *hour) * 60 + *minute) * 60000 + *second * 1000LL + milliseconds;
}

std::string ClockText(std::int64_t milliseconds, const ClockStyle& style) {
    // Whole seconds towards the past, so that a time before 1970 keeps its fraction positive.
    std::int64_t seconds = milliseconds / 1000;
    std::int64_t fraction = milliseconds % 1000;
    if (fraction < 0) {
        fraction += 1000;
        --seconds;
    }
    const auto time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (style.utc)
        gmtime_r(&time, &parts);
    else
        localtime_r(&time, &parts);
    char text[64];
    int length =
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.tm_year + 1900,
                      parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    if (style.decimals > 0) {
        static constexpr int Scale[] = {1, 100, 10, 1};
        const int decimals = style.decimals > 3 ? 3 : style.decimals;
        length += std::snprintf(text + length, sizeof text - length, ".%0*d", decimals,
                                static_cast<int>(fraction) / Scale[decimals]);
    }
    std::string clock(text, static_cast<std::size_t>(length));
    if (style.utc) {
        clock += 'Z';
    } else if (style.zone) {
        const long offset = parts.tm_gmtoff / 60;
        const long shown = offset < 0 ? -offset : offset;
        std::snprintf(text, sizeof text, " %c%02ld:%02ld", offset < 0 ? '-' : '+', shown / 60,
                      shown % 60);
        clock += text;
    }
    return clock;
}

} // namespace vantrel
