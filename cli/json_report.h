// A decoded file as JSON, for scripts and maps.
#pragma once

#include "decode_file.h"

#include <nlohmann/json.hpp>

#include <string_view>

namespace vantrel {

// {"Path", "BlockCount", "Blocks": [every BlockInfo field, in the record's order, plus
// "FromAddrDec" and "ToAddrDec", the decimal forms of the two addresses]}. Texts from the
// recording are Latin-1 and come out as UTF-8; the path is kept as given when it already is
// UTF-8. Only blocks 1..BlockCount are listed.
nlohmann::ordered_json JsonReport(std::string_view path, const DecodedFile& decoded);

} // namespace vantrel
