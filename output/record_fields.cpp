#include "record_fields.h"

#include "heard_signal.h"
#include "latin1.h"

#include <array>

namespace vantrel {

namespace {

// The channel's column is last: a writer with fixed columns has it only in a run whose records
// carry channels, and every column before it stands where it always stood.
constexpr std::array<std::string_view, 39> Names = {
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
    "channelHz",
};

using Encoding = FieldText::Encoding;

FieldView Whole(std::uint64_t value) {
    return static_cast<std::int64_t>(value);
}

FieldView Latin1(std::string_view text) {
    return FieldText{text, Encoding::Latin1};
}

FieldView TextOrNothing(std::string_view latin1) {
    if (latin1.empty())
        return {};
    return Latin1(latin1);
}

// A level or Eb/N0 as a person reads it: to a tenth of a decibel.
FieldView Decibels(const std::optional<double>& db) {
    if (!db)
        return {};
    return RoundedDb(*db);
}

template <typename T> FieldView Optional(const std::optional<T>& value) {
    if (!value)
        return {};
    if constexpr (std::is_floating_point_v<T>)
        return static_cast<double>(*value);
    else
        return Whole(*value);
}

} // namespace

std::span<const std::string_view> FlatFieldNames(bool channel) {
    return std::span<const std::string_view>(Names).first(Names.size() - (channel ? 0 : 1));
}

void FlatFieldViews(const DecodedRecord& r, std::vector<FieldView>& v) {
    const modETSI300230::BlockInfo& b = r.info;
    const modETSI300230::BlockDetail& d = r.detail;
    const bool decoded = !d.noPatternLeft;
    v.clear();
    v.reserve(Names.size());
    v.push_back(r.source.file.empty() ? FieldView{}
                                      : FieldText{r.source.file, Encoding::Utf8OrLatin1});
    v.emplace_back(static_cast<std::int64_t>(r.number));
    v.push_back(decoded ? Whole(d.syncPosition) : FieldView{});
    v.push_back(Optional(r.source.line));
    v.push_back(Optional(r.source.column));
    v.emplace_back(d.fec);
    v.emplace_back(d.noPatternLeft);
    v.push_back(Latin1(b.Func1));
    v.push_back(Latin1(b.Func2));
    v.push_back(Latin1(b.FromCountry));
    v.push_back(Latin1(b.FromAddr));
    v.push_back(Whole(r.fromAddrValue));
    v.push_back(Latin1(b.ToCountry));
    v.push_back(Latin1(b.ToAddr));
    v.push_back(Whole(r.toAddrValue));
    v.push_back(Latin1(b.Message));
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
        v.push_back(Latin1(n.sentenceType));
        v.emplace_back(n.checksumOk);
        v.push_back(TextOrNothing(n.fixTime));
        v.push_back(TextOrNothing(n.fixDate));
        v.push_back(n.hasPosition ? FieldView{n.latitude} : FieldView{});
        v.push_back(n.hasPosition ? FieldView{n.longitude} : FieldView{});
        v.push_back(n.hasPosition ? FieldView{r.positionTrusted()} : FieldView{});
        v.push_back(n.hasPosition ? FieldView{} : FieldText{n.positionReason, Encoding::Utf8});
    } else {
        v.insert(v.end(), 8, FieldView{});
    }
    v.push_back(TextOrNothing(r.mapLink));
    v.push_back(r.source.finalAt.empty() ? FieldView{}
                                         : FieldText{r.source.finalAt, Encoding::Utf8});
    if (r.source.heard) {
        v.emplace_back(r.source.heard->seconds);
        v.push_back(Decibels(r.source.heard->levelDbfs));
        v.push_back(Decibels(r.source.heard->ebN0Db));
        v.push_back(TextOrNothing(r.source.heard->utc));
    } else {
        v.insert(v.end(), 4, FieldView{});
    }
    v.push_back(Optional(r.source.channelHz));
}

std::string Utf8Of(const FieldText& text) {
    switch (text.encoding) {
    case Encoding::Latin1:
        return Latin1ToUtf8(text.text);
    case Encoding::Utf8OrLatin1:
        return Utf8OrLatin1(text.text);
    case Encoding::Utf8:
        break;
    }
    return std::string(text.text);
}

std::vector<FieldValue> FlatFieldValues(const DecodedRecord& record) {
    std::vector<FieldView> views;
    FlatFieldViews(record, views);
    std::vector<FieldValue> values;
    values.reserve(views.size());
    for (const FieldView& view : views) {
        std::visit(
            [&values](const auto& value) {
                if constexpr (std::is_same_v<std::decay_t<decltype(value)>, FieldText>)
                    values.emplace_back(Utf8Of(value));
                else
                    values.emplace_back(value);
            },
            view);
    }
    return values;
}

} // namespace vantrel
