// Test names made from a case's text, so that a test listing or a failure reads as the case it
// checks. GoogleTest takes letters, digits and "_" in a name, nothing else.
#pragma once

#include <string>
#include <string_view>

namespace case_name {

inline bool IsLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// For texts whose punctuation only separates words, such as paths: letters and digits kept,
// each run of other characters one "_", none at either end. "Empty" for no text,
// "Punctuation" for a text with no letter or digit.
inline std::string Words(std::string_view text) {
    if (text.empty()) {
        return "Empty";
    }
    std::string name;
    bool gap = false;
    for (const char c : text) {
        if (!IsLetterOrDigit(c)) {
            gap = true;
            continue;
        }
        if (gap && !name.empty()) {
            name += '_';
        }
        gap = false;
        name += c;
    }
    return name.empty() ? "Punctuation" : name;
}

// For texts whose every byte matters: letters and digits kept, any other byte as "x" and its
// two hexadecimal digits ("caf\xE9" is cafxE9). "Empty" for no text.
inline std::string Bytes(std::string_view text) {
    if (text.empty()) {
        return "Empty";
    }
    constexpr char Hex[] = "0123456789ABCDEF";
    std::string name;
    for (const char c : text) {
        if (IsLetterOrDigit(c)) {
            name += c;
            continue;
        }
        const auto code = static_cast<unsigned char>(c);
        name += 'x';
        name += Hex[code >> 4];
        name += Hex[code & 0x0F];
    }
    return name;
}

} // namespace case_name
