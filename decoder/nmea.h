// GPS position sentences (NMEA 0183) carried as short data: checksum and map link.
#pragma once

#include <string>
#include <string_view>

namespace modETSI300230 {

// Scheme and host of the web map viewer the position links point to.
inline constexpr std::string_view MapViewerBase = "https://www.openstreetmap.org";

// True for a message the short data step treats as a GPS sentence: it starts with "$GP".
inline bool IsGpsSentence(std::string_view message) {
    return message.substr(0, 3) == "$GP";
}

// True when the two hexadecimal digits after the last "*" equal the XOR of the characters
// between the first character and that "*".
bool NmeaChecksumOk(std::string_view sentence);

// A "[MAP URL ] " link line for a $GPRMC or $GPGGA sentence, "NMEA Invalid Position",
// "NMEA Fix Not Available", or an empty text for any other sentence.
std::string NmeaToMapLink(std::string_view sentence);

} // namespace modETSI300230
