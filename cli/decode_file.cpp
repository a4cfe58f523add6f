#include "decode_file.h"

#include "bit_file.h"

namespace vantrel {

DecodedFile DecodeFile(const std::string& path) {
    DecodedFile decoded;
    const std::string bits = RemoveLineFeeds(ReadBitFile(path));
    modETSI300230::DecodeStream(bits, decoded.Blocks, decoded.BlockCount);
    return decoded;
}

} // namespace vantrel
