// Any bytes as a record's time (heard.utc, finalAt), as brief and the html page read it: a
// time read back is shown, and what is shown reads back as the same millisecond.
#include "clock_time.h"
#include "require.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int64_t> milliseconds = vantrel::RecordTimeMilliseconds(text);
    if (!milliseconds)
        return 0;
    std::string shown = vantrel::ClockText(*milliseconds, {.utc = true, .decimals = 3});
    fuzz::Require(shown.size() == 24 && shown[10] == ' ');
    shown[10] = 'T';
    fuzz::Require(vantrel::RecordTimeMilliseconds(shown) == milliseconds);
    vantrel::ClockText(*milliseconds, {.decimals = 1, .zone = true});
    return 0;
}
