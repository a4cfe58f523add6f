// What the fuzz targets that decode a bit string share: Require, and a plain decode of the
// fuzzer's bytes to hold other decodes against.
#pragma once

#include "modETSI300230.h"
#include "require.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// The fuzzer's bytes as a bit string.
inline std::string_view AsBits(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// DecodeStream without details: its records, its count and BlockLog as it left it.
struct PlainDecode {
    std::vector<modETSI300230::BlockInfo> blocks;
    std::int32_t count = -1;
    std::string log;
};

inline PlainDecode DecodePlain(std::string_view bits) {
    PlainDecode plain;
    modETSI300230::DecodeStream(bits, plain.blocks, plain.count);
    plain.log = modETSI300230::BlockLog;
    return plain;
}

// Another decode of the same bits counted as many patterns and gave the same records (when
// nothing is counted, the decode leaves the records as they were).
inline bool SameRecords(const std::vector<modETSI300230::BlockInfo>& blocks, std::int32_t count,
                        const PlainDecode& plain) {
    return count == plain.count && (count == 0 || blocks == plain.blocks);
}

} // namespace fuzz
