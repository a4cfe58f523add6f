// Checksum test and map link for the GPS position sentences ($GPRMC, $GPGGA) that arrive as
// short data text, and the wider reading of the records (RMC, GGA, GLL of every talker).
//
// The sentence arrives from the air and may hold any bytes, so every read below is bounds
// checked, every character is compared as an unsigned 8-bit code, and no number the text can
// spell (however long or large) leads to an overflow or to an out-of-range conversion.
#include "nmea.h"
#include "nmea_numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>
#include <vector>

namespace modETSI300230 {
namespace {

// The text after the first "," found at or after the 0-based index; the whole text when there is
// no such ",". Skipping over a field this way never fails, even on a truncated sentence.
std::string_view SkipPastComma(std::string_view text, std::size_t from = 0) {
    const std::size_t comma = text.find(',', from);
    return comma == std::string_view::npos ? text : text.substr(comma + 1);
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
