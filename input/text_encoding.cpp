#include "text_encoding.h"

#include <algorithm>

namespace vantrel {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view Utf8Mark = "\xef\xbb\xbf"sv;
constexpr std::string_view Utf16LeMark = "\xff\xfe"sv;
constexpr std::string_view Utf16BeMark = "\xfe\xff"sv;
constexpr char32_t Replacement = 0xFFFD;

// The length of the mark the first bytes start with; 0 without one.
std::size_t MarkLength(std::string_view firstBytes) {
    if (firstBytes.starts_with(Utf8Mark))
        return Utf8Mark.size();
    if (firstBytes.starts_with(Utf16LeMark) || firstBytes.starts_with(Utf16BeMark))
        return Utf16LeMark.size();
    return 0;
}

// UTF-16 without its mark: in every pair of bytes one is zero, always the same one, and the
// other not.
TextEncoding UnmarkedEncodingOf(std::string_view firstBytes) {
    const std::size_t pairs = std::min(firstBytes.size(), EncodingBytes) / 2;
    if (pairs < 2)
        return TextEncoding::Plain;
    bool zeroSecond = true; // little endian: the high byte second
    bool zeroFirst = true;
    for (std::size_t i = 0; i < pairs; ++i) {
        const char first = firstBytes[2 * i];
        const char second = firstBytes[2 * i + 1];
        zeroSecond = zeroSecond && first != 0 && second == 0;
        zeroFirst = zeroFirst && first == 0 && second != 0;
    }
    if (zeroSecond)
        return TextEncoding::Utf16Le;
    return zeroFirst ? TextEncoding::Utf16Be : TextEncoding::Plain;
}

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool IsHighHalf(std::uint16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowHalf(std::uint16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

TextEncoding TextEncodingOf(std::string_view firstBytes) {
    if (firstBytes.starts_with(Utf8Mark))
        return TextEncoding::Utf8WithMark;
    if (firstBytes.starts_with(Utf16LeMark))
        return TextEncoding::Utf16Le;
    if (firstBytes.starts_with(Utf16BeMark))
        return TextEncoding::Utf16Be;
    return UnmarkedEncodingOf(firstBytes);
}

void TextDecoder::Feed(std::string_view bytes, std::string& out) {
    if (!decided_) {
        // Until the first bytes have come, nothing can be said.
        const std::size_t take = std::min(bytes.size(), EncodingBytes - head_.size());
        head_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (head_.size() < EncodingBytes)
            return;
        decided_ = true;
        encoding_ = TextEncodingOf(head_);
        const std::string head = head_.substr(MarkLength(head_));
        head_.clear();
        Feed(head, out);
    }
    if (encoding_ == TextEncoding::Utf16Le || encoding_ == TextEncoding::Utf16Be)
        FeedUtf16(bytes, out);
    else
        out.append(bytes);
}

void TextDecoder::FeedUtf16(std::string_view bytes, std::string& out) {
    const bool littleEnd = encoding_ == TextEncoding::Utf16Le;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if (pendingByte_ < 0) {
            pendingByte_ = value;
            continue;
        }
        const auto first = static_cast<unsigned>(pendingByte_);
        pendingByte_ = -1;
        Unit(static_cast<std::uint16_t>(littleEnd ? first | (value << 8) : (first << 8) | value),
             out);
    }
}

void TextDecoder::Unit(std::uint16_t unit, std::string& out) {
    if (highHalf_ != 0) {
        const std::uint16_t high = highHalf_;
        highHalf_ = 0;
        if (IsLowHalf(unit)) {
            const char32_t highBits = high - 0xD800U; // both halves are known to be in range
            const char32_t lowBits = unit - 0xDC00U;
            AppendUtf8(0x10000U + (highBits << 10) + lowBits, out);
            return;
        }
        AppendUtf8(Replacement, out);
    }
    if (IsHighHalf(unit))
        highHalf_ = unit;
    else
        AppendUtf8(IsLowHalf(unit) ? Replacement : char32_t{unit}, out);
}

void TextDecoder::Finish(std::string& out) {
    if (!decided_) {
        decided_ = true;
        encoding_ = TextEncodingOf(head_);
        const std::string head = head_.substr(MarkLength(head_));
        head_.clear();
        Feed(head, out);
    }
    if (highHalf_ != 0 || pendingByte_ >= 0)
        AppendUtf8(Replacement, out);
    highHalf_ = 0;
    pendingByte_ = -1;
}

std::string_view NoBitsHint(std::string_view firstBytes) {
    if (firstBytes.find("\xef\xbc\x90"sv) != std::string_view::npos ||
        firstBytes.find("\xef\xbc\x91"sv) != std::string_view::npos)
        return "it holds full-width digits; the bits are the plain characters 0 and 1";
    std::size_t nulAtEven = 0;
    std::size_t nulAtOdd = 0;
    std::size_t control = 0;
    for (std::size_t i = 0; i < firstBytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(firstBytes[i]);
        if (c == 0)
            ++(i % 2 == 0 ? nulAtEven : nulAtOdd);
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n')
            ++control;
    }
    const std::size_t half = firstBytes.size() / 2;
    // Latin text in UTF-16 has a zero byte in every character, always on the same side.
    if (half >= 2 && (nulAtEven * 10 >= half * 9 || nulAtOdd * 10 >= half * 9) &&
        std::min(nulAtEven, nulAtOdd) * 10 < half)
        return "it looks like UTF-16 text without its byte order mark; save it as UTF-8, or as "
               "UTF-16 with the mark";
    // A text has next to no control characters; sound and other binary data is full of them.
    if (control * 10 > firstBytes.size())
        return "it looks like binary data, such as raw sound; sound files are told by their "
               "header, raw 16-bit PCM is read by vantrel-demod --raw --rate R";
    return {};
}

bool LooksLikeSpacedBits(std::string_view firstBytes) {
    std::size_t bits = 0;
    std::size_t blanks = 0;
    std::size_t others = 0;
    for (const char c : firstBytes) {
        if (c == '0' || c == '1')
            ++bits;
        else if (c == ' ' || c == '\t')
            ++blanks;
        else if (c != '\r' && c != '\n')
            ++others;
    }
    // Mostly bits and blanks, with about a blank for every bit or two.
    return bits >= 16 && blanks * 3 >= bits && others * 10 < bits + blanks;
}

} // namespace vantrel
