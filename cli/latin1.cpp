#include "latin1.h"

#include <algorithm>

namespace vantrel {

namespace {

bool IsAscii(char c) {
    return (static_cast<unsigned char>(c) & 0x80) == 0;
}

} // namespace

// Logs can hold long stretches of the input, nearly all ASCII: runs of ASCII go over in one
// piece, only the rare high bytes one at a time.
std::string Latin1ToUtf8(std::string_view latin1) {
    const auto high = static_cast<std::size_t>(
        std::count_if(latin1.begin(), latin1.end(), [](char c) { return !IsAscii(c); }));
    std::string utf8;
    utf8.reserve(latin1.size() + high);
    const auto* run = latin1.begin();
    while (run != latin1.end()) {
        const auto* const runEnd = std::find_if_not(run, latin1.end(), IsAscii);
        utf8.append(run, runEnd);
        if (runEnd == latin1.end()) {
            break;
        }
        // Latin-1 covers U+0080..U+00FF: always two bytes, 110000xx 10xxxxxx.
        const auto code = static_cast<unsigned char>(*runEnd);
        utf8.push_back(static_cast<char>(0xC0 | (code >> 6)));
        utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        run = runEnd + 1;
    }
    return utf8;
}

} // namespace vantrel
