// The numbers of a position sentence, read and written without the locale: decimals and
// coordinates as the air spells them, the checksum's hexadecimal digits, and a coordinate as
// the map link writes it. The text may hold any bytes and spell any number; no read overflows.
#include "nmea_numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace modETSI300230 {

unsigned char CodeAt(std::string_view text, std::size_t index) {
    return static_cast<unsigned char>(text[index]);
}

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

namespace {

// The fields may be padded with blanks or tabs anywhere, even inside a number; they carry no
// meaning, so numbers are read from the text with them taken out.
std::string WithoutBlanks(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    for (const char c : text) {
        if (c != ' ' && c != '\t') {
            kept += c;
        }
    }
    return kept;
}

// Powers of ten beyond this cannot change whether a value is zero, finite or infinite, so a
// longer exponent is only counted up to it; this keeps the exponent arithmetic from overflowing.
constexpr std::int64_t ExponentCap = 1'000'000'000;

// Value of the longest leading decimal number of the text, 0 when the text does not start with
// one. The number is an optional "+" or "-", digits with at most one "." (digits may stand on
// either side of it, but a "." must be followed by a digit), and an optional exponent made of an
// upper-case "E" directly followed by digits. A lower-case "e" or a sign after the "E" ends the
// number before the "E": the position fields never use them, and accepting less keeps a stray
// letter from scaling a coordinate. "." is the decimal point whatever the locale; a value too
// large for double precision reads as infinity, one too small as zero.
double ReadDecimal(std::string_view text) {
    const std::string s = WithoutBlanks(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::string digits;     // every digit of the number, point left out
    std::int64_t scale = 0; // the value is digits * 10^scale
    while (i < s.size() && IsDigit(CodeAt(s, i))) {
        digits += s[i++];
    }
    if (i + 1 < s.size() && s[i] == '.' && IsDigit(CodeAt(s, i + 1))) {
        ++i;
        while (i < s.size() && IsDigit(CodeAt(s, i))) {
            digits += s[i++];
            --scale;
        }
    }
    if (digits.empty()) {
        return 0.0;
    }
    if (i + 1 < s.size() && s[i] == 'E' && IsDigit(CodeAt(s, i + 1))) {
        ++i;
        std::int64_t exponent = 0;
        while (i < s.size() && IsDigit(CodeAt(s, i))) {
            exponent = std::min(exponent * 10 + (s[i++] - '0'), ExponentCap);
        }
        scale += exponent;
    }

    // Trim the digits to the significant ones, so the size of the value is known before it is
    // converted and the conversion only ever sees a value of sensible range.
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        return negative ? -0.0 : 0.0;
    }
    const std::size_t last = digits.find_last_not_of('0');
    scale += static_cast<std::int64_t>(digits.size() - 1 - last);
    digits = digits.substr(first, last - first + 1);

    const double infinity = std::numeric_limits<double>::infinity();
    // Decimal exponent of the leading digit; doubles end near 10^308 and 10^-324.
    const std::int64_t leading = static_cast<std::int64_t>(digits.size()) - 1 + scale;
    double magnitude = 0.0;
    if (leading > 400) {
        magnitude = infinity;
    } else if (leading >= -400) {
        char exponentText[24];
        const auto written = std::to_chars(exponentText, exponentText + sizeof exponentText, scale);
        digits += 'e';
        digits.append(exponentText, written.ptr);
        const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude,
                                            std::chars_format::scientific);
        if (parsed.ec == std::errc::result_out_of_range) {
            magnitude = leading > 0 ? infinity : 0.0;
        }
    }
    return negative ? -magnitude : magnitude;
}

} // namespace

// Value of the leading hexadecimal digits ("0"-"9", "A"-"F" in either case) of the text, 0 when
// it starts with none. Only used on the two checksum characters, so the value stays below 256.
unsigned ReadHex(std::string_view text) {
    unsigned value = 0;
    for (const char c : WithoutBlanks(text)) {
        const unsigned char code = static_cast<unsigned char>(c);
        unsigned digit = 0;
        if (IsDigit(code)) {
            digit = code - '0';
        } else if (code >= 'A' && code <= 'F') {
            digit = code - 'A' + 10;
        } else if (code >= 'a' && code <= 'f') {
            digit = code - 'a' + 10;
        } else {
            break;
        }
        value = value * 16 + digit;
    }
    return value;
}

namespace {

// Coordinates travel as single-precision numbers. A value beyond the single-precision range
// cannot be converted as it stands, so it is held at the largest single-precision value of its
// sign; the link then still carries a plain number and the reader sees the field was garbage.
float ToSingle(double value) {
    constexpr double largest = std::numeric_limits<float>::max();
    if (std::isnan(value)) {
        return 0.0F;
    }
    return static_cast<float>(std::clamp(value, -largest, largest));
}

} // namespace

// A coordinate field at the front of the text: "ddmm.mmm" for latitude (degreeDigits 2) or
// "dddmm.mmm" for longitude (degreeDigits 3). The minutes are read from the text after the degree
// digits, as many characters as the field holds before its ","; for a field shorter than its
// degree digits that stretch reaches into the next field. A field without a closing "," reads its
// minutes from the rest of the text.
float ReadCoordinate(std::string_view text, std::size_t degreeDigits) {
    const double degrees = ReadDecimal(text.substr(0, degreeDigits));
    const std::size_t comma = text.find(',');
    std::string_view minutesText;
    if (degreeDigits < text.size()) {
        minutesText = comma == std::string_view::npos ? text.substr(degreeDigits)
                                                      : text.substr(degreeDigits, comma);
    }
    return ToSingle(degrees + ReadDecimal(minutesText) / 60.0);
}

// The coordinate as a map viewer takes it: the exact single-precision value rounded to 7
// significant digits (halves away from zero), in plain decimal notation with no exponent, no
// trailing zeros after the point, no point when nothing follows it, and "0" before the point
// below 1. A zero of either sign is "0". Values from 10^7 on are written with zeros in place of
// the digits beyond the seventh, values below 0.0001 with zeros after the point before them.
// Built from locale-independent conversions only, so "." is the decimal point everywhere.
std::string CoordinateText(float value) {
    if (value == 0.0F) {
        return "0";
    }
    // Every single-precision value has an exact decimal expansion of at most 112 significant
    // digits; asking for more gives that expansion unrounded, so the rounding below sees the
    // true value and ties round away from zero instead of to even.
    char expansion[160];
    const auto written =
        std::to_chars(expansion, expansion + sizeof expansion,
                      static_cast<double>(std::fabs(value)), std::chars_format::scientific, 120);
    const std::string_view exact(expansion, static_cast<std::size_t>(written.ptr - expansion));
    // Layout: "d." + 120 digits + "e" + signed exponent.
    std::int32_t significant = exact[0] - '0';
    for (std::size_t k = 2; k < 8; ++k) {
        significant = significant * 10 + (exact[k] - '0');
    }
    int exponent = 0;
    const std::size_t e = exact.find('e');
    std::from_chars(exact.data() + e + 1 + (exact[e + 1] == '+' ? 1 : 0),
                    exact.data() + exact.size(), exponent);
    if (exact[8] >= '5') {
        ++significant;
        if (significant == 10'000'000) {
            significant = 1'000'000;
            ++exponent;
        }
    }

    char digitBuffer[8];
    const auto digitsEnd =
        std::to_chars(digitBuffer, digitBuffer + sizeof digitBuffer, significant);
    std::string digits(digitBuffer, digitsEnd.ptr);
    digits.erase(digits.find_last_not_of('0') + 1);

    // The value is digits[0].digits[1...] * 10^exponent.
    std::string text = value < 0.0F ? "-" : "";
    if (exponent < 0) {
        text += "0.";
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
    } else {
        const std::size_t integerDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= integerDigits) {
            text += digits;
            text.append(integerDigits - digits.size(), '0');
        } else {
            text += digits.substr(0, integerDigits);
            text += '.';
            text += digits.substr(integerDigits);
        }
    }
    return text;
}

} // namespace modETSI300230
