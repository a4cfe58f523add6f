#include "json_text.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

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
        const std::array<char, 6> escaped = {
            '\\', 'u', '0', '0', HexDigits[c >> 4], HexDigits[c & 0xF]};
        out.append(escaped.data(), escaped.size());
    }
    }
}

bool Plain(unsigned char c) {
    return c >= 0x20 && c != '"' && c != '\\';
}

constexpr std::uint64_t EveryByte = 0x0101010101010101ULL;
constexpr std::uint64_t TopBits = EveryByte * 0x80U;

// Whether some byte of `word` is zero: the classic test, exact for the question "any".
constexpr bool AnyZeroByte(std::uint64_t word) {
    return ((word - EveryByte) & ~word & TopBits) != 0;
}

// Whether all eight bytes stand as they are: no control character, quote or backslash, and
// for Latin-1 no byte from 0x80 on.
template <bool FromLatin1> bool EightPlain(const char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    const std::uint64_t high = word & TopBits;
    if (FromLatin1 && high != 0)
        return false;
    // A byte below 0x20, with the top bit clear, borrows when 0x20 is taken from it.
    const bool control = (((word & ~TopBits) - EveryByte * 0x20U) & ~word & TopBits) != 0;
    return !control && !AnyZeroByte(word ^ (EveryByte * '"')) &&
           !AnyZeroByte(word ^ (EveryByte * '\\'));
}

// Runs of characters that need nothing go over in one piece, found eight bytes at a time: a
// log is long runs of bits.
template <bool FromLatin1> void AppendString(std::string& out, std::string_view text) {
    std::size_t run = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.size() - i >= 8 && EightPlain<FromLatin1>(text.data() + i)) {
            i += 8;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        ++i;
        if (Plain(c) && (!FromLatin1 || c < 0x80))
            continue;
        out.append(text.data() + run, i - 1 - run);
        run = i;
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
    const char* end =
        nlohmann::detail::to_chars(digits.data(), digits.data() + digits.size(), value);
    out.append(digits.data(), static_cast<std::size_t>(end - digits.data()));
}

} // namespace vantrel
