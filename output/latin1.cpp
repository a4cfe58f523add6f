#include "latin1.h"

#include <algorithm>
#include <cstdint>

namespace vantrel {

namespace {

bool IsAscii(char c) {
    return (static_cast<unsigned char>(c) & 0x80) == 0;
}

} // namespace

// Logs can hold long stretches of the input, nearly all ASCII: runs of ASCII go over in one
// piece, only the rare high bytes one at a time.
std::string Latin1ToUtf8(std::string_view latin1) {
    std::string utf8;
    AppendLatin1AsUtf8(utf8, latin1);
    return utf8;
}

void AppendLatin1AsUtf8(std::string& utf8, std::string_view latin1) {
    const auto high = static_cast<std::size_t>(
        std::count_if(latin1.begin(), latin1.end(), [](char c) { return !IsAscii(c); }));
    utf8.reserve(utf8.size() + latin1.size() + high);
    const auto* run = latin1.begin();
    while (run != latin1.end()) {
        const auto* const runEnd = std::find_if_not(run, latin1.end(), IsAscii);
        utf8.append(run, runEnd);
        if (runEnd == latin1.end()) {
            break;
        }
        // Latin-1 covers U+0080..U+00FF: always two bytes, 110000xx 10xxxxxx.
        const auto code = static_cast<unsigned char>(*runEnd);
        utf8.push_back(static_cast<char>(0xC0 | (code >> 6)));
        utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        run = runEnd + 1;
    }
}

bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1FU;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0FU;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07U;
        } else {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3FU);
        }
        const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
        if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

std::string Utf8OrLatin1(std::string_view text) {
    return IsUtf8(text) ? std::string(text) : Latin1ToUtf8(text);
}

} // namespace vantrel
