// Any text as an NMEA sentence: the routines must return, and the link is one of its fixed
// forms.
#include "modETSI300230.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

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
    const std::string prefix = "[MAP URL ] " + std::string(modETSI300230::MapViewerBase) +
                               "/index.html?mlat=";
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
    return 0;
}
