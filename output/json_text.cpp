#include "json_text.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>

namespace vantrel {

namespace {

constexpr char HexDigits[] = "0123456789abcdef";

// The escape of an ASCII byte, or nothing when it stands as it is.
void AppendEscaped(std::string& out, unsigned char c) {
    switch (c) {
    case '"':
        out += "\\\"";
        return;
    case '\\':
        out += "\\\\";
        return;
    case '\b':
        out += "\\b";
        return;
    case '\f':
        out += "\\f";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default: {
        const std::array<char, 6> escaped = {'\\', 'u', '0', '0', HexDigits[c >> 4],
                                             HexDigits[c & 0xF]};
        out.append(escaped.data(), escaped.size());
    }
    }
}

bool Plain(unsigned char c) {
    return c >= 0x20 && c != '"' && c != '\\';
}

// Runs of characters that need nothing go over in one piece: a log is long runs of bits.
template <bool FromLatin1> void AppendString(std::string& out, std::string_view text) {
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (Plain(c) && (!FromLatin1 || c < 0x80))
            continue;
        out.append(text.data() + run, i - run);
        run = i + 1;
        if (c >= 0x80) { // Latin-1 only: U+0080..U+00FF in two bytes
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            AppendEscaped(out, c);
        }
    }
    out.append(text.data() + run, text.size() - run);
}

} // namespace

void AppendJsonLatin1(std::string& out, std::string_view latin1) {
    AppendString<true>(out, latin1);
}

void AppendJsonUtf8(std::string& out, std::string_view utf8) {
    AppendString<false>(out, utf8);
}

void AppendJsonReal(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    // The library's own shortest form (its exponent and ".0" rules differ from std::to_chars).
    std::array<char, 64> digits{};
    const char* end = nlohmann::detail::to_chars(digits.data(), digits.data() + digits.size(), value);
    out.append(digits.data(), static_cast<std::size_t>(end - digits.data()));
}

} // namespace vantrel
