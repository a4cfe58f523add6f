// Any text as a start time, as --start-time and the first line of a marked text give it: it
// is read or refused alike by every reader, in the zone the first byte picks (local time
// without a zone), and a time written with its zone reads back as the same moment.
#include "require.h"
#include "start_time.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

using fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // Zones with summer time on either side of UTC's midnight, and none.
    constexpr const char* Zones[] = {"UTC0", "EST5EDT,M3.2.0,M11.1.0", "CET-1CEST,M3.5.0,M10.5.0/3",
                                     "NZST-12NZDT,M9.5.0,M4.1.0/3"};
    ::setenv("TZ", Zones[data[0] % 4], 1);
    ::tzset();
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::optional<std::int64_t> time = vantrel::ParseIsoTime(text);
    Require(time.has_value() == vantrel::IsoTimeProblem(text).empty());
    const std::optional<std::string> zoned = vantrel::ZonedIsoTime(text);
    Require(zoned.has_value() == time.has_value());
    if (zoned)
        Require(vantrel::ParseIsoTime(*zoned) == time);
    return 0;
}
