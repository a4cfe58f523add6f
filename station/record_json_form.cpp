#include "record_json_form.h"

#include "record_json_text.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <limits>

namespace vantrel {

namespace {

namespace mod = modETSI300230;
using Json = nlohmann::json;

// The UTF-8 the writers made of a Latin-1 text, as Latin-1 again; nothing for a character
// beyond U+00FF, which no record text holds.
std::optional<std::string> Latin1Of(const std::string& utf8) {
    std::string latin1;
    latin1.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size() &&
                   (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
            latin1 += static_cast<char>(((c & 0x03) << 6) |
                                        (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            return std::nullopt;
        }
    }
    return latin1;
}

// Each reader fails (returns false) on a member of the wrong kind; a missing member is left
// as the record's default only where the writers leave it out.
bool Text(const Json& object, const char* key, std::string& out) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string())
        return false;
    const std::optional<std::string> latin1 = Latin1Of(it->get_ref<const std::string&>());
    if (!latin1)
        return false;
    out = *latin1;
    return true;
}

template <typename Number> bool Whole(const Json& object, const char* key, Number& out) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number_integer())
        return false;
    if (it->is_number_unsigned()) {
        const auto value = it->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<Number>::max()))
            return false;
        out = static_cast<Number>(value);
        return true;
    }
    const auto value = it->get<std::int64_t>();
    if (value < static_cast<std::int64_t>(std::numeric_limits<Number>::min()) ||
        (value > 0 && static_cast<std::uint64_t>(value) >
                          static_cast<std::uint64_t>(std::numeric_limits<Number>::max())))
        return false;
    out = static_cast<Number>(value);
    return true;
}

template <typename Number>
bool OptionalWhole(const Json& object, const char* key, std::optional<Number>& out) {
    if (!object.contains(key))
        return true;
    Number value{};
    if (!Whole(object, key, value))
        return false;
    out = value;
    return true;
}

bool Truth(const Json& object, const char* key, bool& out) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_boolean())
        return false;
    out = it->get<bool>();
    return true;
}

bool Real(const Json& object, const char* key, double& out) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number())
        return false;
    out = it->get<double>();
    return true;
}

bool ReadHeader(const Json& h, mod::HeaderDetail& out) {
    return h.is_object() && Whole(h, "opMode", out.opMode) &&
           Text(h, "opModeText", out.opModeText) && Whole(h, "function", out.function) &&
           Text(h, "functionText", out.functionText) && Whole(h, "country", out.country) &&
           Text(h, "countryText", out.countryText) && Whole(h, "common", out.common) &&
           Whole(h, "from", out.from) && Whole(h, "to", out.to);
}

bool ReadCodeword(const Json& c, mod::CodewordCheck& out) {
    std::string kind;
    bool ok = false;
    if (!c.is_object() || !Text(c, "kind", kind) || !Truth(c, "complete", out.complete) ||
        !Whole(c, "crc", out.remainder) || !Whole(c, "parity", out.parity) || !Truth(c, "ok", ok))
        return false;
    out.failed = !ok;
    for (const auto k : {mod::CodewordCheck::Kind::Header, mod::CodewordCheck::Kind::Address,
                         mod::CodewordCheck::Kind::Data}) {
        if (kind == CodewordKindName(k)) {
            out.kind = k;
            return true;
        }
    }
    return false;
}

bool ReadHeard(const Json& h, HeardInfo& out) {
    if (!h.is_object() || !Real(h, "seconds", out.seconds))
        return false;
    double value = 0;
    if (h.contains("levelDbfs")) {
        if (!Real(h, "levelDbfs", value))
            return false;
        out.levelDbfs = value;
    }
    if (h.contains("ebN0Db")) {
        if (!Real(h, "ebN0Db", value))
            return false;
        out.ebN0Db = value;
    }
    return !h.contains("utc") || Text(h, "utc", out.utc);
}

bool ReadSource(const Json& j, RecordSource& source) {
    if (j.contains("file")) {
        const auto& file = j["file"];
        if (!file.is_string())
            return false;
        source.file = file.get<std::string>(); // a name is kept as the UTF-8 shown
    }
    if (j.contains("channel")) {
        const auto& channel = j["channel"];
        std::uint64_t hz = 0;
        if (!channel.is_object() || !Whole(channel, "hz", hz))
            return false;
        source.channelHz = hz;
    }
    if (!OptionalWhole(j, "line", source.line) || !OptionalWhole(j, "column", source.column))
        return false;
    if (j.contains("finalAt") && !Text(j, "finalAt", source.finalAt))
        return false;
    if (j.contains("heard")) {
        HeardInfo heard;
        if (!ReadHeard(j["heard"], heard))
            return false;
        source.heard = heard;
    }
    return true;
}

bool ReadDetail(const Json& j, mod::BlockDetail& d) {
    if (!Truth(j, "fec", d.fec) || !Truth(j, "noPatternLeft", d.noPatternLeft))
        return false;
    if (!d.noPatternLeft && !Whole(j, "syncBit", d.syncPosition))
        return false;
    const auto headers = j.find("headers");
    const auto codewords = j.find("codewords");
    if (headers == j.end() || !headers->is_array() || codewords == j.end() ||
        !codewords->is_array() || headers->size() > 2)
        return false;
    for (const Json& h : *headers)
        if (!ReadHeader(h, d.headers.emplace_back()))
            return false;
    for (const Json& c : *codewords)
        if (!ReadCodeword(c, d.codewords.emplace_back()))
            return false;
    if (!j.contains("shortData"))
        return true;
    const Json& shortData = j["shortData"];
    if (!shortData.is_object() || !Whole(shortData, "following", d.dataFollowing))
        return false;
    const auto codes = shortData.find("codes");
    if (codes == shortData.end() || !codes->is_array())
        return false;
    d.shortData = true;
    for (const Json& code : *codes) {
        if (!code.is_number_unsigned() || code.get<std::uint64_t>() > 255)
            return false;
        d.messageCodes += static_cast<char>(code.get<std::uint64_t>());
    }
    return true;
}

} // namespace

std::string RecordJsonWithoutLog(const DecodedRecord& record) {
    std::string out;
    out.reserve(1024);
    AppendRecordJsonUntilLog(out, record);
    out += RecordJsonAfterLog;
    return out;
}

std::optional<DecodedRecord> RecordFromJson(std::string_view json) {
    const Json j = Json::parse(json, nullptr, false);
    std::int64_t version = 0;
    if (!j.is_object() || !Whole(j, "version", version) || version != RecordFormatVersion)
        return std::nullopt;
    RecordSource source;
    std::int64_t number = 0;
    mod::BlockInfo info;
    mod::BlockDetail detail;
    if (!ReadSource(j, source) || !Whole(j, "number", number) || !ReadDetail(j, detail) ||
        !Text(j, "Func1", info.Func1) || !Text(j, "Func2", info.Func2) ||
        !Text(j, "FromCountry", info.FromCountry) || !Text(j, "FromAddr", info.FromAddr) ||
        !Text(j, "ToCountry", info.ToCountry) || !Text(j, "ToAddr", info.ToAddr) ||
        !Text(j, "Message", info.Message) || !Truth(j, "Corrupted", info.Corrupted))
        return std::nullopt;
    return MakeRecord(number, std::move(info), std::move(detail), std::move(source));
}

} // namespace vantrel
