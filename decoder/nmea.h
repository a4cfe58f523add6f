// GPS position sentences (NMEA 0183) carried as short data: checksum and map link.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace modETSI300230 {

// Scheme and host of the web map viewer the position links point to.
inline constexpr std::string_view MapViewerBase = "https://www.openstreetmap.org";

// The start of a map link line; the link itself follows it.
inline constexpr std::string_view MapLinkLabel = "[MAP URL ] ";

// True for a message the short data step treats as a GPS sentence: it starts with "$GP".
// This is the report's rule; the records read more (IsSatelliteSentence).
inline bool IsGpsSentence(std::string_view message) {
    return message.substr(0, 3) == "$GP";
}

// True for a message the records read as a satellite position sentence: "$" and the talker of
// one of the satellite systems a receiver names: GP (GPS), GL (GLONASS), GA (Galileo), GB or
// BD (BeiDou), GQ (QZSS), GI (NavIC), or GN (several systems together). Every message
// IsGpsSentence takes is one of them.
bool IsSatelliteSentence(std::string_view message);

// True when the two hexadecimal digits after the last "*" equal the XOR of the characters
// between the first character and that "*".
bool NmeaChecksumOk(std::string_view sentence);

// A "[MAP URL ] " link line for a $GPRMC or $GPGGA sentence, "NMEA Invalid Position",
// "NMEA Fix Not Available", or an empty text for any other sentence.
std::string NmeaToMapLink(std::string_view sentence);

// The address of a whole line that is a map link exactly as NmeaToMapLink writes it, else an
// empty view. Only such lines may be opened as links: text received over the air never is.
std::string_view MapLinkAddress(std::string_view line);

// Why a GPS sentence gives no position numbers; the texts are part of the record format.
namespace NoPositionReason {
inline constexpr std::string_view BadChecksum = "bad-checksum";
inline constexpr std::string_view NotPositionSentence =
    "not-a-position-sentence";                                           // not RMC/GGA/GLL
inline constexpr std::string_view InvalidPosition = "invalid-position";  // RMC/GLL status not "A"
inline constexpr std::string_view FixNotAvailable = "fix-not-available"; // GGA fix quality 0
inline constexpr std::string_view EmptyField = "empty-field";  // no digit, or no hemisphere
inline constexpr std::string_view OutOfRange = "out-of-range"; // beyond +-90 or +-180 degrees
} // namespace NoPositionReason

// A satellite position sentence read for the records: RMC, GGA or GLL of any talker
// IsSatelliteSentence takes. The position numbers follow the rule of the map link (for
// $GPRMC and $GPGGA they are the link's very numbers), rounded as the link writes them, and
// are given only for a good checksum and a real position; otherwise positionReason says why.
// sentenceType names the sentence that gave the position.
struct NmeaReading {
    std::string sentenceType; // the name after "$" up to the first ",": "GPRMC", "GNGGA"
    bool checksumOk = false;
    std::string fixTime; // the time field (hhmmss.sss) as sent, for RMC, GGA and GLL
    std::string fixDate; // the date field (ddmmyy) as sent, RMC only
    bool hasPosition = false;
    double latitude = 0;             // decimal degrees, north positive
    double longitude = 0;            // decimal degrees, east positive
    std::string_view positionReason; // one of NoPositionReason when there is no position
    // GGA only, with a position: the antenna's altitude above mean sea level in metres, when
    // the sentence gives it as a number in metres.
    std::optional<double> altitudeMeters;
};

NmeaReading ReadNmea(std::string_view sentence);

} // namespace modETSI300230
