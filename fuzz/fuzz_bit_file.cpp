// Any file content through the field rules of the bit-file reader.
#include "bit_file.h"
#include "require.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

using fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const std::string joined = vantrel::JoinFields(content);
    Require(joined.size() <= content.size());
    Require(joined == vantrel::JoinFields(content));

    const std::string bits = vantrel::RemoveLineFeeds(joined);
    Require(bits.find('\n') == std::string::npos);

    // Without quotes, commas or blanks, reading only drops the line ends.
    if (content.find_first_of("\", \t") == std::string_view::npos) {
        std::string expected(content);
        std::erase(expected, '\r');
        std::erase(expected, '\n');
        Require(bits == expected);
    }
    return 0;
}
