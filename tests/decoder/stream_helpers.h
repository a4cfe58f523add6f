// Shared helpers for the decoder tests: decoding a stream and reading a record's log.
#pragma once

#include "encoder.h"
#include "modETSI300230.h"

#include <string>
#include <vector>

namespace testing_helpers {

struct Decoded {
    std::vector<modETSI300230::BlockInfo> blocks;
    std::int32_t count = -1;
};

inline Decoded Decode(const std::string& bits) {
    Decoded d;
    modETSI300230::DecodeStream(bits, d.blocks, d.count);
    return d;
}

// Joins lines with CR LF after every one of them, as a block log ends.
inline std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

} // namespace testing_helpers
