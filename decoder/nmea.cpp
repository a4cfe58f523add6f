// Checksum test and map link for the GPS position sentences ($GPRMC, $GPGGA) that arrive as
// short data text, and the wider reading of the records (RMC, GGA, GLL of every talker).
//
// The sentence arrives from the air and may hold any bytes, so every read below is bounds
// checked, every character is compared as an unsigned 8-bit code, and no number the text can
// spell (however long or large) leads to an overflow or to an out-of-range conversion.
#include "nmea.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>
#include <vector>

namespace modETSI300230 {
namespace {

unsigned char CodeAt(std::string_view text, std::size_t index) {
    return static_cast<unsigned char>(text[index]);
}

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

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

// The text after the first "," found at or after the 0-based index; the whole text when there is
// no such ",". Skipping over a field this way never fails, even on a truncated sentence.
std::string_view SkipPastComma(std::string_view text, std::size_t from = 0) {
    const std::size_t comma = text.find(',', from);
    return comma == std::string_view::npos ? text : text.substr(comma + 1);
}

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

// The parts of a link around its two coordinates, named once for the link and its reader.
constexpr std::string_view LatitudeKey = "/index.html?mlat=";
constexpr std::string_view LongitudeKey = "&mlon=";
constexpr std::string_view ZoomPart = "&zoom=12";

std::string MapLink(float latitude, float longitude) {
    std::string line(MapLinkLabel);
    line += MapViewerBase;
    line += LatitudeKey;
    line += CoordinateText(latitude);
    line += LongitudeKey;
    line += CoordinateText(longitude);
    line += ZoomPart;
    // A "," would split the query for the viewer; the number texts carry "." as their point,
    // and this keeps the line free of "," whatever produced them.
    std::replace(line.begin(), line.end(), ',', '.');
    return line;
}

bool StartsWith(std::string_view text, char c) {
    return !text.empty() && text.front() == c;
}

// The first field (status or latitude) follows the six-character sentence name, its ",", and the
// time field, which may be empty; the search for its "," starts after the name's "," (0-based
// index 7) so that an empty time field is passed over as well.
constexpr std::size_t AfterNameAndComma = 7;

// The text of the field at the front of `rest`: up to its "," or, without one, all of it.
std::string_view FieldAtFront(std::string_view rest) {
    return rest.substr(0, rest.find(','));
}

bool HasDigit(std::string_view field) {
    return std::any_of(field.begin(), field.end(),
                       [](char c) { return IsDigit(static_cast<unsigned char>(c)); });
}

bool IsBlank(std::string_view field) {
    return field.find_first_not_of(" \t") == std::string_view::npos;
}

struct Position {
    float latitude = 0;
    float longitude = 0;
    // A coordinate field without a digit or a blank hemisphere field: the link still reads
    // them (as 0, south, west), the position numbers do not.
    bool fieldMissing = false;
};

// Reads latitude, north/south, longitude and east/west from the front of `rest` and leaves
// `rest` at the east/west field. Anything but "N" or "E" counts as south or west.
Position ReadPosition(std::string_view& rest) {
    Position p;
    p.fieldMissing = !HasDigit(FieldAtFront(rest));
    p.latitude = ReadCoordinate(rest, 2);
    rest = SkipPastComma(rest);
    p.fieldMissing = p.fieldMissing || IsBlank(FieldAtFront(rest));
    if (!StartsWith(rest, 'N')) {
        p.latitude = -p.latitude;
    }
    rest = SkipPastComma(rest);
    p.fieldMissing = p.fieldMissing || !HasDigit(FieldAtFront(rest));
    p.longitude = ReadCoordinate(rest, 3);
    rest = SkipPastComma(rest);
    p.fieldMissing = p.fieldMissing || IsBlank(FieldAtFront(rest));
    if (!StartsWith(rest, 'E')) {
        p.longitude = -p.longitude;
    }
    return p;
}

// What a sentence says about where its sender is, before it becomes a link or numbers.
struct Located {
    enum class Status { NotPositionSentence, InvalidPosition, FixNotAvailable, Position };
    Status status = Status::NotPositionSentence;
    Position position;
};

Located LocateRmc(std::string_view sentence) {
    std::string_view rest = SkipPastComma(sentence, AfterNameAndComma);
    if (!StartsWith(rest, 'A')) {
        return {Located::Status::InvalidPosition, {}};
    }
    rest = SkipPastComma(rest);
    return {Located::Status::Position, ReadPosition(rest)};
}

Located LocateGga(std::string_view sentence) {
    std::string_view rest = SkipPastComma(sentence, AfterNameAndComma);
    const Position p = ReadPosition(rest);
    rest = SkipPastComma(rest);
    // Fix quality 0 means no fix; an empty field or a cut-off sentence says nothing better.
    if (rest.empty() || CodeAt(rest, 0) <= '0') {
        return {Located::Status::FixNotAvailable, {}};
    }
    return {Located::Status::Position, p};
}

// GLL carries no time before its position: latitude first, then time and status.
Located LocateGll(std::string_view sentence, std::string_view statusField) {
    std::string_view rest = SkipPastComma(sentence, AfterNameAndComma - 1);
    const Position p = ReadPosition(rest);
    if (!StartsWith(statusField, 'A')) {
        return {Located::Status::InvalidPosition, {}};
    }
    return {Located::Status::Position, p};
}

// The report's rule: only $GPRMC and $GPGGA give a map link line.
Located Locate(std::string_view sentence) {
    const std::string_view name = sentence.substr(0, 6);
    if (name == "$GPRMC") {
        return LocateRmc(sentence);
    }
    if (name == "$GPGGA") {
        return LocateGga(sentence);
    }
    return {};
}

// The kinds of position sentence the records read, by the three letters after the talker.
enum class SentenceKind { Other, Rmc, Gga, Gll };

SentenceKind KindOf(std::string_view sentence) {
    if (!IsSatelliteSentence(sentence)) {
        return SentenceKind::Other;
    }
    const std::string_view kind = sentence.substr(3, 3);
    if (kind == "RMC") {
        return SentenceKind::Rmc;
    }
    if (kind == "GGA") {
        return SentenceKind::Gga;
    }
    return kind == "GLL" ? SentenceKind::Gll : SentenceKind::Other;
}

constexpr std::size_t GllTimeField = 5;
constexpr std::size_t GllStatusField = 6;

// The records' rule: RMC and GGA of every talker read as $GPRMC and $GPGGA are read for the
// link, so a $GNRMC gives the numbers its $GPRMC twin would; GLL beside them.
Located LocateAnyTalker(std::string_view sentence, const std::vector<std::string_view>& fields) {
    switch (KindOf(sentence)) {
    case SentenceKind::Rmc:
        return LocateRmc(sentence);
    case SentenceKind::Gga:
        return LocateGga(sentence);
    case SentenceKind::Gll:
        return LocateGll(sentence, fields.size() > GllStatusField ? fields[GllStatusField]
                                                                  : std::string_view{});
    case SentenceKind::Other:
        break;
    }
    return {};
}

// The coordinate as the link writes it, read back as a number: the record and the link can
// never disagree.
double LinkValue(float coordinate) {
    const std::string text = CoordinateText(coordinate);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The fields of a sentence split at ",", the "*" and checksum taken off the last one.
std::vector<std::string_view> Fields(std::string_view sentence) {
    const std::size_t star = sentence.rfind('*');
    if (star != std::string_view::npos) {
        sentence = sentence.substr(0, star);
    }
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = sentence.find(',', start);
        fields.push_back(
            sentence.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

constexpr std::size_t TimeField = 1;
constexpr std::size_t RmcDateField = 9;
constexpr std::size_t GgaAltitudeField = 9;
constexpr std::size_t GgaAltitudeUnitField = 10;

// A GGA sentence's altitude: a plain decimal number with its unit "M".
std::optional<double> GgaAltitude(const std::vector<std::string_view>& fields) {
    if (fields.size() <= GgaAltitudeUnitField || fields[GgaAltitudeUnitField] != "M")
        return std::nullopt;
    const std::string_view text = fields[GgaAltitudeField];
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The talkers IsSatelliteSentence takes.
constexpr std::string_view SatelliteTalkers[] = {"GP", "GL", "GA", "GB", "BD", "GQ", "GI", "GN"};

} // namespace

bool IsSatelliteSentence(std::string_view message) {
    if (message.substr(0, 1) != "$") {
        return false;
    }
    const std::string_view talker = message.substr(1, 2);
    return std::find(std::begin(SatelliteTalkers), std::end(SatelliteTalkers), talker) !=
           std::end(SatelliteTalkers);
}

bool NmeaChecksumOk(std::string_view sentence) {
    const std::size_t star = sentence.rfind('*');
    if (star == std::string_view::npos) {
        return false;
    }
    // The leading "$" and everything from the last "*" on stay out of the sum.
    unsigned sum = 0;
    for (std::size_t i = 1; i < star; ++i) {
        sum ^= CodeAt(sentence, i);
    }
    return ReadHex(sentence.substr(star + 1, 2)) == sum;
}

std::string NmeaToMapLink(std::string_view sentence) {
    const Located located = Locate(sentence);
    switch (located.status) {
    case Located::Status::InvalidPosition:
        return "NMEA Invalid Position";
    case Located::Status::FixNotAvailable:
        return "NMEA Fix Not Available";
    case Located::Status::Position:
        return MapLink(located.position.latitude, located.position.longitude);
    case Located::Status::NotPositionSentence:
        break;
    }
    return {};
}

NmeaReading ReadNmea(std::string_view sentence) {
    NmeaReading reading;
    const std::vector<std::string_view> fields = Fields(sentence);
    reading.sentenceType =
        std::string(fields[0].substr(std::min<std::size_t>(1, fields[0].size())));
    reading.checksumOk = NmeaChecksumOk(sentence);
    const Located located = LocateAnyTalker(sentence, fields);
    const SentenceKind kind = KindOf(sentence);
    const std::size_t timeField = kind == SentenceKind::Gll ? GllTimeField : TimeField;
    if (kind != SentenceKind::Other && fields.size() > timeField) {
        reading.fixTime = std::string(fields[timeField]);
    }
    if (kind == SentenceKind::Rmc && fields.size() > RmcDateField) {
        reading.fixDate = std::string(fields[RmcDateField]);
    }

    const Position& p = located.position;
    if (!reading.checksumOk) {
        reading.positionReason = NoPositionReason::BadChecksum;
    } else if (located.status == Located::Status::NotPositionSentence) {
        reading.positionReason = NoPositionReason::NotPositionSentence;
    } else if (located.status == Located::Status::InvalidPosition) {
        reading.positionReason = NoPositionReason::InvalidPosition;
    } else if (located.status == Located::Status::FixNotAvailable) {
        reading.positionReason = NoPositionReason::FixNotAvailable;
    } else if (p.fieldMissing) {
        reading.positionReason = NoPositionReason::EmptyField;
    } else if (std::fabs(p.latitude) > 90.0F || std::fabs(p.longitude) > 180.0F) {
        reading.positionReason = NoPositionReason::OutOfRange;
    } else {
        reading.hasPosition = true;
        reading.latitude = LinkValue(p.latitude);
        reading.longitude = LinkValue(p.longitude);
        if (kind == SentenceKind::Gga)
            reading.altitudeMeters = GgaAltitude(fields);
    }
    return reading;
}

namespace {

bool TakePrefix(std::string_view& text, std::string_view prefix) {
    if (text.substr(0, prefix.size()) != prefix)
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

// A coordinate as CoordinateText writes it: an optional "-", digits, and an optional "."
// followed by digits.
bool TakeCoordinate(std::string_view& text) {
    TakePrefix(text, "-");
    const auto digits = [&text] {
        std::size_t n = 0;
        while (n < text.size() && text[n] >= '0' && text[n] <= '9')
            ++n;
        text.remove_prefix(n);
        return n > 0;
    };
    if (!digits())
        return false;
    return !TakePrefix(text, ".") || digits();
}

} // namespace

std::string_view MapLinkAddress(std::string_view line) {
    std::string_view rest = line;
    if (!TakePrefix(rest, MapLinkLabel))
        return {};
    const std::string_view address = rest;
    if (TakePrefix(rest, MapViewerBase) && TakePrefix(rest, LatitudeKey) && TakeCoordinate(rest) &&
        TakePrefix(rest, LongitudeKey) && TakeCoordinate(rest) && TakePrefix(rest, ZoomPart) &&
        rest.empty())
        return address;
    return {};
}

} // namespace modETSI300230
