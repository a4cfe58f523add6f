#include "frequency_text.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace channelizer {

namespace {

struct Unit {
    char letter; // either case
    double hz;
};
constexpr std::array<Unit, 3> Units = {{{'k', 1e3}, {'m', 1e6}, {'g', 1e9}}};

constexpr double MaxHz = 1e12;
constexpr std::size_t MaxShown = 40; // of a bad text quoted in a message

std::string Quoted(std::string_view text) {
    std::string shown;
    for (const char c : text.substr(0, MaxShown))
        shown += std::isprint(static_cast<unsigned char>(c)) != 0 ? c : '?';
    if (text.size() > MaxShown)
        shown += "...";
    return "'" + shown + "'";
}

[[noreturn]] void Refuse(std::string_view text, std::string_view why) {
    throw FrequencyError(Quoted(text) + " is not a frequency: " + std::string(why) +
                         " (write it as 169.45M, 12.5k or in Hz)");
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

double ParseFrequency(std::string_view text) {
    std::string_view rest = text;
    if (rest.size() >= 2 && EqualsIgnoringCase(rest.substr(rest.size() - 2), "hz"))
        rest.remove_suffix(2);
    double scale = 1;
    if (!rest.empty()) {
        const char last = static_cast<char>(std::tolower(static_cast<unsigned char>(rest.back())));
        for (const Unit& unit : Units)
            if (last == unit.letter) {
                scale = unit.hz;
                rest.remove_suffix(1);
                break;
            }
    }
    // Digits with at most one point, nothing else: from_chars alone would also take signs,
    // exponents, "inf" and "nan".
    bool digit = false;
    int points = 0;
    for (const char c : rest) {
        if (c == '.')
            ++points;
        else if (std::isdigit(static_cast<unsigned char>(c)) != 0)
            digit = true;
        else
            Refuse(text, "only digits, one point and a unit (k, M, G) may be written");
    }
    if (!digit || points > 1)
        Refuse(text, "the number is missing or has more than one point");
    double value = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (error != std::errc() || end != rest.data() + rest.size())
        Refuse(text, "the number cannot be read");
    const double hz = std::round(value * scale * 1000) / 1000;
    if (!(hz > 0))
        Refuse(text, "it must be above 0 Hz");
    if (hz > MaxHz)
        Refuse(text, "it is beyond 1 THz");
    return hz;
}

std::vector<double> ParseFrequencyList(std::string_view text) {
    std::vector<double> frequencies;
    while (true) {
        const std::size_t comma = text.find(',');
        frequencies.push_back(ParseFrequency(text.substr(0, comma)));
        if (comma == std::string_view::npos)
            return frequencies;
        text.remove_prefix(comma + 1);
    }
}

std::string FrequencyText(double hz) {
    // In the largest unit not above the frequency, to the millihertz ParseFrequency rounds to,
    // trailing zeros taken off.
    constexpr std::array<std::pair<double, char>, 4> Scales = {
        {{1e9, 'G'}, {1e6, 'M'}, {1e3, 'k'}, {1, '\0'}}};
    for (const auto& [unit, letter] : Scales) {
        if (hz < unit && unit > 1)
            continue;
        std::array<char, 64> digits{};
        const int decimals = static_cast<int>(std::lround(std::log10(unit))) + 3;
        std::snprintf(digits.data(), digits.size(), "%.*f", decimals, hz / unit);
        std::string number(digits.data());
        if (number.find('.') != std::string::npos) {
            while (number.back() == '0')
                number.pop_back();
            if (number.back() == '.')
                number.pop_back();
        }
        return letter == '\0' ? number : number + letter;
    }
    return std::to_string(hz);
}

} // namespace channelizer
