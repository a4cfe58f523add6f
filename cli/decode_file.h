// One input file decoded: read, joined, decoded. The window runs the same steps one by one
// because it updates its status label between them.
#pragma once

#include "modETSI300230.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

struct DecodedFile {
    std::vector<modETSI300230::BlockInfo> Blocks;
    std::int32_t BlockCount = 0;
};

// Throws FileError when the file cannot be read.
DecodedFile DecodeFile(const std::string& path);

} // namespace vantrel
