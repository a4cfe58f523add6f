#include "output_text.h"

#include <algorithm>
#include <charconv>

namespace vantrel {

namespace {

constexpr std::string_view ReplacementCharacter = "\xEF\xBF\xBD";

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

enum class Markup { Xml, Html };

// The characters markup gives meaning to, as references. XML also keeps tab, LF and CR as
// references (an attribute value would otherwise turn them into blanks) and replaces the other
// control characters, which it cannot hold; HTML takes every other byte as it is.
std::string MarkupText(std::string_view in, Markup markup) {
    std::string text;
    text.reserve(in.size());
    for (const char c : in) {
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
            text += markup == Markup::Xml ? "&apos;" : "&#39;";
            break;
        default:
            if (markup == Markup::Html || static_cast<unsigned char>(c) >= 0x20)
                text += c;
            else if (c == '\t' || c == '\n' || c == '\r')
                text += "&#" + std::to_string(static_cast<int>(c)) + ';';
            else
                text += ReplacementCharacter;
        }
    }
    return text;
}

} // namespace

std::string XmlText(std::string_view utf8) {
    return MarkupText(utf8, Markup::Xml);
}

std::string HtmlText(std::string_view text) {
    return MarkupText(text, Markup::Html);
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

std::string TerminalText(std::string_view latin1) {
    std::string text;
    text.reserve(latin1.size());
    for (const char c : latin1) {
        const auto code = static_cast<unsigned char>(c);
        if (IsControl(c) || (code >= 0x80 && code < 0xA0)) {
            text += ReplacementCharacter;
        } else if (code < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return text;
}

std::string NumberText(double value) {
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

} // namespace vantrel
