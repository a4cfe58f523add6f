#include "json_report.h"

#include "latin1.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace vantrel {

namespace {

using Json = nlohmann::ordered_json;

// The decimal form as a number: scripts compute with it. Six hexadecimal digits at most, so
// it always fits.
std::uint32_t DecimalValue(std::string_view address) {
    const std::string decimal = modETSI300230::DecimalForm(address);
    std::uint32_t value = 0;
    std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
    return value;
}

// A path from the command line is normally UTF-8 already and would be garbled by a second
// conversion; only a path that is not valid UTF-8 is taken as Latin-1.
std::string PathText(std::string_view path) {
    try {
        (void)Json(std::string(path)).dump();
        return std::string(path);
    } catch (const Json::type_error&) {
        return Latin1ToUtf8(path);
    }
}

Json BlockJson(const modETSI300230::BlockInfo& block) {
    Json json;
    json["Func1"] = Latin1ToUtf8(block.Func1);
    json["Func2"] = Latin1ToUtf8(block.Func2);
    json["FromCountry"] = Latin1ToUtf8(block.FromCountry);
    json["FromAddr"] = Latin1ToUtf8(block.FromAddr);
    json["FromAddrDec"] = DecimalValue(block.FromAddr);
    json["ToCountry"] = Latin1ToUtf8(block.ToCountry);
    json["ToAddr"] = Latin1ToUtf8(block.ToAddr);
    json["ToAddrDec"] = DecimalValue(block.ToAddr);
    json["Message"] = Latin1ToUtf8(block.Message);
    json["Corrupted"] = block.Corrupted;
    json["Log"] = Latin1ToUtf8(block.Log.str());
    return json;
}

} // namespace

Json JsonReport(std::string_view path, const DecodedFile& decoded) {
    const std::size_t shown =
        std::min(static_cast<std::size_t>(std::max<std::int32_t>(decoded.BlockCount, 0)),
                 decoded.Blocks.size());
    Json blocks = Json::array();
    for (std::size_t i = 0; i < shown; ++i) {
        blocks.push_back(BlockJson(decoded.Blocks[i]));
    }
    Json json;
    json["Path"] = PathText(path);
    json["BlockCount"] = decoded.BlockCount;
    json["Blocks"] = std::move(blocks);
    return json;
}

} // namespace vantrel
