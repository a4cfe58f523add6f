#include "centre_in_name.h"

#include "frequency_text.h"

#include <array>
#include <cctype>

namespace vantrel {

namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool IsLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

// The length of the unit at the start of `text`, case aside; 0 when none is there. Longest
// first: "kHz" before "Hz".
std::size_t UnitAt(std::string_view text) {
    constexpr std::array<std::string_view, 4> Units = {"khz", "mhz", "ghz", "hz"};
    for (const std::string_view unit : Units) {
        if (text.size() < unit.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < unit.size(); ++i)
            same = same && std::tolower(static_cast<unsigned char>(text[i])) == unit[i];
        if (same)
            return unit.size();
    }
    return 0;
}

} // namespace

std::optional<double> CentreInName(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::optional<double> found;
    for (std::size_t at = 0; at < name.size();) {
        // A number starts at a digit that follows no letter, digit or point.
        if (!IsDigit(name[at]) ||
            (at > 0 && (IsLetter(name[at - 1]) || IsDigit(name[at - 1]) || name[at - 1] == '.'))) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < name.size() && (IsDigit(name[end]) || name[end] == '.'))
            ++end;
        const std::size_t unit = UnitAt(name.substr(end));
        // The unit must end the word: "169450000Hz_" or "169.45MHz.wav", not "12Hzx".
        if (unit > 0 && (end + unit == name.size() || !IsLetter(name[end + unit]))) {
            try {
                const double hz = channelizer::ParseFrequency(name.substr(at, end + unit - at));
                if (found && *found != hz)
                    return std::nullopt;
                found = hz;
            } catch (const channelizer::FrequencyError&) {
                // "1.2.3Hz" names nothing.
            }
        }
        at = end;
    }
    return found;
}

} // namespace vantrel
