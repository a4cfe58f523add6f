#include "record_fields.h"

#include "latin1.h"

#include <array>

namespace vantrel {

namespace {

constexpr std::array<std::string_view, 38> Names = {
    "file",
    "number",
    "syncBit",
    "line",
    "column",
    "fec",
    "noPatternLeft",
    "Func1",
    "Func2",
    "FromCountry",
    "FromAddr",
    "FromAddrDec",
    "ToCountry",
    "ToAddr",
    "ToAddrDec",
    "Message",
    "Corrupted",
    "extendedAddressing",
    "function1",
    "country1",
    "function2",
    "country2",
    "codewordsRead",
    "codewordsFailed",
    "nmeaSentence",
    "nmeaChecksumOk",
    "fixTime",
    "fixDate",
    "lat",
    "lon",
    "positionTrusted",
    "positionReason",
    "mapLink",
    "finalAt",
    "heardSeconds",
    "levelDbfs",
    "ebN0Db",
    "heardUtc",
};

FieldValue Whole(std::uint64_t value) {
    return static_cast<std::int64_t>(value);
}

FieldValue TextOrNothing(const std::string& latin1) {
    if (latin1.empty())
        return {};
    return Latin1ToUtf8(latin1);
}

template <typename T> FieldValue Optional(const std::optional<T>& value) {
    if (!value)
        return {};
    if constexpr (std::is_floating_point_v<T>)
        return static_cast<double>(*value);
    else
        return Whole(*value);
}

} // namespace

std::span<const std::string_view> FlatFieldNames() {
    return Names;
}

std::vector<FieldValue> FlatFieldValues(const DecodedRecord& r) {
    const modETSI300230::BlockInfo& b = r.info;
    const modETSI300230::BlockDetail& d = r.detail;
    const bool decoded = !d.noPatternLeft;
    std::vector<FieldValue> v;
    v.reserve(Names.size());
    v.emplace_back(r.source.file.empty() ? FieldValue{} : Utf8OrLatin1(r.source.file));
    v.emplace_back(static_cast<std::int64_t>(r.number));
    v.push_back(decoded ? Whole(d.syncPosition) : FieldValue{});
    v.push_back(Optional(r.source.line));
    v.push_back(Optional(r.source.column));
    v.emplace_back(d.fec);
    v.emplace_back(d.noPatternLeft);
    v.emplace_back(Latin1ToUtf8(b.Func1));
    v.emplace_back(Latin1ToUtf8(b.Func2));
    v.emplace_back(Latin1ToUtf8(b.FromCountry));
    v.emplace_back(Latin1ToUtf8(b.FromAddr));
    v.push_back(Whole(r.fromAddrValue));
    v.emplace_back(Latin1ToUtf8(b.ToCountry));
    v.emplace_back(Latin1ToUtf8(b.ToAddr));
    v.push_back(Whole(r.toAddrValue));
    v.emplace_back(Latin1ToUtf8(b.Message));
    v.emplace_back(b.Corrupted);
    v.emplace_back(r.extendedAddressing());
    for (std::size_t h = 0; h < 2; ++h) {
        if (h < d.headers.size()) {
            v.push_back(Whole(d.headers[h].function));
            v.push_back(Whole(d.headers[h].country));
        } else {
            v.emplace_back();
            v.emplace_back();
        }
    }
    v.push_back(Whole(d.codewords.size()));
    v.push_back(Whole(r.codewordsFailed()));
    if (r.nmea) {
        const modETSI300230::NmeaReading& n = *r.nmea;
        v.emplace_back(Latin1ToUtf8(n.sentenceType));
        v.emplace_back(n.checksumOk);
        v.push_back(TextOrNothing(n.fixTime));
        v.push_back(TextOrNothing(n.fixDate));
        v.push_back(n.hasPosition ? FieldValue{n.latitude} : FieldValue{});
        v.push_back(n.hasPosition ? FieldValue{n.longitude} : FieldValue{});
        v.push_back(n.hasPosition ? FieldValue{r.positionTrusted()} : FieldValue{});
        v.push_back(n.hasPosition ? FieldValue{} : FieldValue{std::string(n.positionReason)});
    } else {
        v.insert(v.end(), 8, FieldValue{});
    }
    v.push_back(TextOrNothing(r.mapLink));
    v.push_back(r.source.finalAt.empty() ? FieldValue{} : FieldValue{r.source.finalAt});
    if (r.source.heard) {
        v.emplace_back(r.source.heard->seconds);
        v.push_back(Optional(r.source.heard->levelDbfs));
        v.push_back(Optional(r.source.heard->ebN0Db));
        v.push_back(TextOrNothing(r.source.heard->utc));
    } else {
        v.insert(v.end(), 4, FieldValue{});
    }
    return v;
}

} // namespace vantrel
