#include "transmission_marks.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vantrel {

namespace {

constexpr std::string_view MarkPrefix = "#transmission";
constexpr std::string_view StartKey = " start=";
// Longer mark lines are blanked but not read: no well-formed mark comes near this.
constexpr std::size_t MaxLine = 256;

std::string Number(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return ToMarkDigits(std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
}

std::optional<double> ReadNumber(std::string_view text) {
    const std::string plain = FromMarkDigits(text);
    double value = 0;
    const char* end = plain.data() + plain.size();
    const auto result = std::from_chars(plain.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The value of ` key=` in the fields after the mark's name; nothing when it is missing.
std::optional<std::string_view> Field(std::string_view fields, std::string_view key) {
    std::size_t at = 0;
    while (at < fields.size()) {
        const std::size_t end = std::min(fields.find(' ', at + 1), fields.size());
        const std::string_view field = fields.substr(at, end - at);
        if (field.size() > key.size() + 1 && field.substr(1, key.size()) == key &&
            field[key.size() + 1] == '=')
            return field.substr(key.size() + 2);
        at = end;
    }
    return std::nullopt;
}

} // namespace

std::string ToMarkDigits(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = c == '0' ? 'o' : c == '1' ? 'i' : c;
    return out;
}

std::string FromMarkDigits(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = c == 'o' ? '0' : c == 'i' ? '1' : c;
    return out;
}

std::string MarksHeaderLine(std::string_view startTime) {
    std::string line(MarksHeader);
    if (!startTime.empty())
        line += std::string(StartKey) + ToMarkDigits(startTime);
    return line;
}

std::optional<std::string> HeaderStartTime(std::string_view line) {
    if (!line.starts_with(MarksHeader) || !line.substr(MarksHeader.size()).starts_with(StartKey))
        return std::nullopt;
    const std::string_view time = line.substr(MarksHeader.size() + StartKey.size());
    if (time.empty() || time.find(' ') != std::string_view::npos)
        return std::nullopt;
    return FromMarkDigits(time);
}

std::string TransmissionMarkLine(const TransmissionMark& mark) {
    return std::string(MarkPrefix) + " start=" + Number(mark.startSeconds) +
           " end=" + Number(mark.endSeconds) + " level=" + Number(mark.levelDbfs) +
           " ebno=" + Number(mark.ebN0Db) + " polarity=" + (mark.inverted ? "inverted" : "normal");
}

std::optional<TransmissionMark> ParseTransmissionMark(std::string_view line) {
    // A mark holds no bit character, and its five fields only.
    if (!line.starts_with(MarkPrefix) || line.find_first_of("01") != std::string_view::npos ||
        std::count(line.begin(), line.end(), ' ') != 5)
        return std::nullopt;
    const std::string_view fields = line.substr(MarkPrefix.size());
    if (!fields.empty() && fields.front() != ' ')
        return std::nullopt;
    const auto start = Field(fields, "start");
    const auto end = Field(fields, "end");
    const auto level = Field(fields, "level");
    const auto ebN0 = Field(fields, "ebno");
    const auto polarity = Field(fields, "polarity");
    if (!start || !end || !level || !ebN0 || !polarity ||
        (*polarity != "normal" && *polarity != "inverted"))
        return std::nullopt;
    TransmissionMark mark;
    const auto numbers = {std::pair{*start, &mark.startSeconds}, std::pair{*end, &mark.endSeconds},
                          std::pair{*level, &mark.levelDbfs}, std::pair{*ebN0, &mark.ebN0Db}};
    for (const auto& [text, value] : numbers) {
        const std::optional<double> read = ReadNumber(text);
        if (!read)
            return std::nullopt;
        *value = *read;
    }
    mark.inverted = *polarity == "inverted";
    return mark;
}

bool StartsMarked(std::string_view start) {
    if (!start.starts_with(MarksHeader))
        return false;
    const std::string_view rest = start.substr(MarksHeader.size());
    return rest.empty() || rest.front() == ' ' || rest.front() == '\r' || rest.front() == '\n';
}

void MarkLineBlanker::Blank(char* data, std::size_t size, const LineSink& line) {
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        const bool lineEnd = c == '\r' || c == '\n';
        if (lineStart_ && c == '#') {
            inMark_ = true;
            line_.clear();
        }
        lineStart_ = lineEnd;
        if (!inMark_)
            continue;
        if (lineEnd) {
            inMark_ = false;
            if (line) // a line too long to be a mark is handed on as nothing
                line(line_.size() > MaxLine ? std::string_view() : std::string_view(line_), i);
            continue;
        }
        if (line_.size() <= MaxLine)
            line_ += c;
        data[i] = ' ';
    }
}

} // namespace vantrel
