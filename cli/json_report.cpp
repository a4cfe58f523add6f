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

namespace {

// Drops `suffix` from the end of a dumped text that must end with it.
std::string WithoutEnd(std::string text, std::string_view suffix) {
    if (text.ends_with(suffix))
        text.resize(text.size() - suffix.size());
    return text;
}

bool PlainJsonCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\';
}

} // namespace

std::string JsonDocumentHead(std::string_view path, std::int64_t count) {
    Json json;
    json["Path"] = PathText(path);
    json["BlockCount"] = static_cast<std::int32_t>(count);
    json["Blocks"] = Json::array();
    return WithoutEnd(json.dump(), "]}");
}

std::string JsonRecordHead(std::string_view path, const StreamRecord& record, bool line) {
    modETSI300230::BlockInfo block = record.info;
    block.Log = modETSI300230::SharedText(record.logHead);
    Json json;
    if (line) {
        json["Path"] = PathText(path);
        json["Number"] = record.number;
        json["NoPattern"] = record.noPattern;
        if (record.noPattern) {
            for (const char* key : {"Fec", "SyncBit", "Line", "Column"})
                json[key] = nullptr;
        } else {
            json["Fec"] = record.fec;
            json["SyncBit"] = record.syncBit;
            json["Line"] = record.place.line;
            json["Column"] = record.place.column;
        }
    }
    json.update(BlockJson(block));
    return WithoutEnd(json.dump(), "\"}");
}

std::string JsonRecordTail(std::string_view finalTime) {
    std::string tail = R"(\r\n")";
    if (!finalTime.empty()) {
        tail += R"(,"FinalTime":")";
        tail += finalTime;
        tail += '"';
    }
    tail += '}';
    return tail;
}

std::string JsonTextPiece(std::string_view text) {
    // A trailer is nearly always plain "0"/"1" characters.
    if (std::all_of(text.begin(), text.end(), PlainJsonCharacter))
        return std::string(text);
    return WithoutEnd(Json(Latin1ToUtf8(text)).dump().substr(1), "\"");
}

} // namespace vantrel
