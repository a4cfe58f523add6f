// Placeholder until the NMEA routines land; replaced by the real implementation.
#include "nmea.h"

namespace modETSI300230 {
bool NmeaChecksumOk(std::string_view) { return false; }
std::string NmeaToMapLink(std::string_view) { return {}; }
} // namespace modETSI300230
