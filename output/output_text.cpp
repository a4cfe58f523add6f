#include "output_text.h"

#include <algorithm>
#include <charconv>

namespace vantrel {

namespace {

constexpr std::string_view ReplacementCharacter = "\xEF\xBF\xBD";

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

} // namespace

std::string XmlText(std::string_view utf8) {
    std::string text;
    text.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '&':
            text += "&amp;";
            break;
        case '<':
            text += "&lt;";
            break;
        case '>':
            text += "&gt;";
            break;
        case '"':
            text += "&quot;";
            break;
        case '\'':
            text += "&apos;";
            break;
        case '\t':
        case '\n':
        case '\r':
            // Kept as references: an attribute value would otherwise turn them into blanks.
            text += "&#" + std::to_string(static_cast<int>(c)) + ';';
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                text += ReplacementCharacter;
            else
                text += c;
        }
    }
    return text;
}

std::string CsvField(std::string_view utf8) {
    std::string field;
    AppendCsvField(field, utf8);
    return field;
}

void AppendCsvField(std::string& out, std::string_view utf8) {
    const bool quoted = !utf8.empty() && (utf8.front() == ' ' || utf8.back() == ' ' ||
                                          std::any_of(utf8.begin(), utf8.end(), [](char c) {
                                              return c == ',' || c == '"' || IsControl(c);
                                          }));
    if (!quoted) {
        out += utf8;
        return;
    }
    out += '"';
    for (const char c : utf8) {
        out += c;
        if (c == '"')
            out += '"';
    }
    out += '"';
}

std::string NumberText(double value) {
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

} // namespace vantrel
