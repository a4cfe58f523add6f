// Any text as an NMEA sentence: the routines must return, and the link is one of its fixed
// forms.
#include "modETSI300230.h"
#include "require.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using fuzz::Require;

// A coordinate in plain decimal: optional "-", digits, and a fraction without trailing zeros.
std::size_t CoordinateLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-')
        ++i;
    const std::size_t digitsStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    Require(i > digitsStart);
    if (i < text.size() && text[i] == '.') {
        const std::size_t fraction = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        Require(i > fraction && text[i - 1] != '0');
    }
    return i;
}

void CheckLink(std::string_view link) {
    if (link.empty() || link == "NMEA Invalid Position" || link == "NMEA Fix Not Available")
        return;
    const std::string prefix =
        "[MAP URL ] " + std::string(modETSI300230::MapViewerBase) + "/index.html?mlat=";
    Require(link.substr(0, prefix.size()) == prefix);
    link.remove_prefix(prefix.size());
    link.remove_prefix(CoordinateLength(link));
    Require(link.substr(0, 6) == "&mlon=");
    link.remove_prefix(6);
    link.remove_prefix(CoordinateLength(link));
    Require(link == "&zoom=12");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string sentence(reinterpret_cast<const char*>(data), size);
    const bool ok = modETSI300230::NmeaChecksumOk(sentence);
    Require(ok == modETSI300230::NmeaChecksumOk(sentence));
    if (sentence.find('*') == std::string::npos)
        Require(!ok);
    const std::string link = modETSI300230::NmeaToMapLink(sentence);
    CheckLink(link);
    Require(link == modETSI300230::NmeaToMapLink(sentence));

    // The report links $GPRMC and $GPGGA only, whatever the records read.
    const std::string_view name = std::string_view(sentence).substr(0, 6);
    if (name != "$GPRMC" && name != "$GPGGA")
        Require(link.empty());

    // The position numbers: only with a good checksum, in range, and for RMC and GGA of any
    // talker the numbers of the link its $GP twin gets; otherwise a reason.
    const modETSI300230::NmeaReading reading = modETSI300230::ReadNmea(sentence);
    Require(reading.checksumOk == ok);
    Require(reading.hasPosition == reading.positionReason.empty());
    if (reading.hasPosition) {
        Require(ok && modETSI300230::IsSatelliteSentence(sentence));
        Require(std::fabs(reading.latitude) <= 90 && std::fabs(reading.longitude) <= 180);
        if (sentence.substr(3, 3) != "GLL") {
            const std::string twin = modETSI300230::NmeaToMapLink("$GP" + sentence.substr(3));
            Require(twin.starts_with(modETSI300230::MapLinkLabel));
            Require(!sentence.starts_with("$GP") || twin == link);
            const std::size_t lat = twin.find("mlat=") + 5;
            const std::size_t lon = twin.find("&mlon=") + 6;
            Require(std::strtod(twin.c_str() + lat, nullptr) == reading.latitude);
            Require(std::strtod(twin.c_str() + lon, nullptr) == reading.longitude);
        }
    } else {
        Require(reading.latitude == 0 && reading.longitude == 0);
    }
    // An altitude (the elevation of a GPX point) only with a GGA position, and a finite one.
    if (reading.altitudeMeters) {
        Require(reading.hasPosition && sentence.substr(3, 3) == "GGA");
        Require(std::isfinite(*reading.altitudeMeters));
    }
    return 0;
}
