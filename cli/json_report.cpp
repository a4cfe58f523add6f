#include "json_report.h"

#include "latin1.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

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
    return byte >= 0x20 && byte < 0x80 && c != '"' && c != '\\';
}

// True when all eight bytes at `p` are plain: no control character, quote, backslash or byte
// from 0x80 on.
bool EightPlain(const char* p) {
    constexpr std::uint64_t Ones = 0x0101010101010101ULL;
    constexpr std::uint64_t Highs = Ones * 0x80U;
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    auto hasZero = [](std::uint64_t w) { return ((w - Ones) & ~w & Highs) != 0; };
    return (word & Highs) == 0 && ((word - Ones * 0x20U) & Highs) == 0 &&
           !hasZero(word ^ (Ones * '"')) && !hasZero(word ^ (Ones * '\\'));
}

// Appends a Latin-1 text as it stands inside a JSON string, exactly as the JSON library
// writes it after Latin1ToUtf8: the escapes it uses, every other byte from 0x80 on as its two
// UTF-8 bytes. Logs are mostly plain characters, which are copied in runs.
void AppendJsonText(std::string& out, std::string_view text) {
    constexpr char Hex[] = "0123456789abcdef";
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t run = i;
        while (text.size() - run >= 8 && EightPlain(text.data() + run))
            run += 8;
        while (run < text.size() && PlainJsonCharacter(text[run]))
            ++run;
        out.append(text.data() + i, run - i);
        if (run == text.size())
            break;
        const auto byte = static_cast<unsigned char>(text[run]);
        switch (byte) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                out += "\\u00";
                out += Hex[byte >> 4];
                out += Hex[byte & 0xF];
            } else {
                out += static_cast<char>(0xC0 | (byte >> 6));
                out += static_cast<char>(0x80 | (byte & 0x3F));
            }
        }
        i = run + 1;
    }
}

} // namespace

std::string JsonDocumentHead(std::string_view path, std::int64_t count) {
    Json json;
    json["Path"] = PathText(path);
    json["BlockCount"] = static_cast<std::int32_t>(count);
    json["Blocks"] = Json::array();
    return WithoutEnd(json.dump(), "]}");
}

std::string JsonPathText(std::string_view path) {
    return Json(PathText(path)).dump();
}

namespace {

// Writers of one member each, in the very form the JSON library gives them; a record is
// written this way because building a library object per record would cost more than
// decoding it.
void Key(std::string& out, std::string_view key) {
    out += ",\"";
    out += key;
    out += "\":";
}

void Text(std::string& out, std::string_view key, std::string_view text) {
    Key(out, key);
    out += '"';
    AppendJsonText(out, text);
    out += '"';
}

void Flag(std::string& out, std::string_view key, bool value) {
    Key(out, key);
    out += value ? "true" : "false";
}

template <typename Number> void Count(std::string& out, std::string_view key, Number value) {
    Key(out, key);
    out += std::to_string(value);
}

} // namespace

std::string JsonRecordHead(std::string_view pathJson, const StreamRecord& record, bool line) {
    const modETSI300230::BlockInfo& block = record.info;
    std::string out;
    out.reserve(512 + record.logHead.size());
    if (line) {
        out += R"({"Path":)";
        out += pathJson;
        Count(out, "Number", record.number);
        Flag(out, "NoPattern", record.noPattern);
        if (record.noPattern) {
            out += R"(,"Fec":null,"SyncBit":null,"Line":null,"Column":null)";
        } else {
            Flag(out, "Fec", record.fec);
            Count(out, "SyncBit", record.syncBit);
            Count(out, "Line", record.place.line);
            Count(out, "Column", record.place.column);
        }
        Text(out, "Func1", block.Func1);
    } else {
        out += R"({"Func1":")";
        AppendJsonText(out, block.Func1);
        out += '"';
    }
    Text(out, "Func2", block.Func2);
    Text(out, "FromCountry", block.FromCountry);
    Text(out, "FromAddr", block.FromAddr);
    Count(out, "FromAddrDec", DecimalValue(block.FromAddr));
    Text(out, "ToCountry", block.ToCountry);
    Text(out, "ToAddr", block.ToAddr);
    Count(out, "ToAddrDec", DecimalValue(block.ToAddr));
    Text(out, "Message", block.Message);
    Flag(out, "Corrupted", block.Corrupted);
    // The log comes last: its head here, the rest as it is read.
    Key(out, "Log");
    out += '"';
    AppendJsonText(out, record.logHead);
    return out;
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
    std::string out;
    out.reserve(text.size());
    AppendJsonText(out, text);
    return out;
}

} // namespace vantrel
