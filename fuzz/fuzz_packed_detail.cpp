// Any bytes as the detail column of a database row (a damaged or edited database): unpacking
// never crashes, and what it accepts packs back to the very bytes, so a record read back is
// the record that was stored.
#include "packed_detail.h"
#include "require.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto detail = vantrel::UnpackDetail(bytes);
    if (!detail)
        return 0;
    fuzz::Require(detail->headers.size() <= 2);
    fuzz::Require(vantrel::PackDetail(*detail) == bytes);
    const auto again = vantrel::UnpackDetail(vantrel::PackDetail(*detail));
    fuzz::Require(again && *again == *detail);
    return 0;
}
