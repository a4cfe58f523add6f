#include "record_json_text.h"

#include "heard_signal.h"
#include "json_text.h"
#include "latin1.h"

namespace vantrel {

namespace {

namespace mod = modETSI300230;

void WriteHeader(JsonOut& json, const mod::HeaderDetail& h) {
    json.Open('{');
    json.Key("opMode");
    json.Whole(h.opMode);
    json.Key("opModeText");
    json.Latin1(h.opModeText);
    json.Key("function");
    json.Whole(h.function);
    json.Key("functionText");
    json.Latin1(h.functionText);
    json.Key("country");
    json.Whole(h.country);
    json.Key("countryText");
    json.Latin1(h.countryText);
    json.Key("common");
    json.Whole(h.common);
    json.Key("from");
    json.Whole(h.from);
    json.Key("to");
    json.Whole(h.to);
    json.Close('}');
}

void WriteCodeword(JsonOut& json, const mod::CodewordCheck& c) {
    json.Open('{');
    json.Key("kind");
    json.Utf8(CodewordKindName(c.kind));
    json.Key("complete");
    json.Truth(c.complete);
    json.Key("crc");
    json.Whole(c.remainder);
    json.Key("parity");
    json.Whole(c.parity);
    json.Key("ok");
    json.Truth(!c.failed);
    json.Close('}');
}

void WriteNmea(JsonOut& json, const mod::NmeaReading& n, bool positionTrusted) {
    json.Open('{');
    json.Key("sentence");
    json.Latin1(n.sentenceType);
    json.Key("checksumOk");
    json.Truth(n.checksumOk);
    if (!n.fixTime.empty()) {
        json.Key("fixTime");
        json.Latin1(n.fixTime);
    }
    if (!n.fixDate.empty()) {
        json.Key("fixDate");
        json.Latin1(n.fixDate);
    }
    if (n.hasPosition) {
        json.Key("lat");
        json.Real(n.latitude);
        json.Key("lon");
        json.Real(n.longitude);
        json.Key("positionTrusted");
        json.Truth(positionTrusted);
    } else {
        json.Key("positionReason");
        json.Utf8(n.positionReason);
    }
    json.Close('}');
}

void WriteHeard(JsonOut& json, const HeardInfo& heard) {
    json.Open('{');
    json.Key("seconds");
    json.Real(heard.seconds);
    if (heard.levelDbfs) {
        json.Key("levelDbfs");
        json.Real(RoundedDb(*heard.levelDbfs));
    }
    if (heard.ebN0Db) {
        json.Key("ebN0Db");
        json.Real(RoundedDb(*heard.ebN0Db));
    }
    if (!heard.utc.empty()) {
        json.Key("utc");
        json.Utf8(heard.utc);
    }
    json.Close('}');
}

// A file name is written as UTF-8 when it is valid UTF-8, else read as Latin-1.
void WriteFileName(JsonOut& json, std::string_view file) {
    if (IsUtf8(file))
        json.Utf8(file);
    else
        json.Latin1(file);
}

} // namespace

std::string_view CodewordKindName(mod::CodewordCheck::Kind kind) {
    switch (kind) {
    case mod::CodewordCheck::Kind::Header:
        return "header";
    case mod::CodewordCheck::Kind::Address:
        return "address";
    case mod::CodewordCheck::Kind::Data:
        return "data";
    }
    return "data";
}

void AppendRecordJsonUntilLog(std::string& out, const DecodedRecord& r) {
    const mod::BlockInfo& b = r.info;
    const mod::BlockDetail& d = r.detail;
    JsonOut json(out);
    json.Open('{');
    json.Key("version");
    json.Whole(RecordFormatVersion);
    if (!r.source.file.empty()) {
        json.Key("file");
        WriteFileName(json, r.source.file);
    }
    if (r.source.channelHz) {
        json.Key("channel");
        json.Open('{');
        json.Key("hz");
        json.Whole(*r.source.channelHz);
        json.Close('}');
    }
    json.Key("number");
    json.Whole(r.number);
    if (!d.noPatternLeft) {
        json.Key("syncBit");
        json.Whole(d.syncPosition);
    }
    if (r.source.line) {
        json.Key("line");
        json.Whole(*r.source.line);
    }
    if (r.source.column) {
        json.Key("column");
        json.Whole(*r.source.column);
    }
    json.Key("fec");
    json.Truth(d.fec);
    json.Key("noPatternLeft");
    json.Truth(d.noPatternLeft);
    json.Key("Func1");
    json.Latin1(b.Func1);
    json.Key("Func2");
    json.Latin1(b.Func2);
    json.Key("FromCountry");
    json.Latin1(b.FromCountry);
    json.Key("FromAddr");
    json.Latin1(b.FromAddr);
    json.Key("FromAddrDec");
    json.Whole(r.fromAddrValue);
    json.Key("ToCountry");
    json.Latin1(b.ToCountry);
    json.Key("ToAddr");
    json.Latin1(b.ToAddr);
    json.Key("ToAddrDec");
    json.Whole(r.toAddrValue);
    json.Key("Message");
    json.Latin1(b.Message);
    json.Key("Corrupted");
    json.Truth(b.Corrupted);
    json.Key("extendedAddressing");
    json.Truth(r.extendedAddressing());
    json.Key("headers");
    json.Open('[');
    for (const mod::HeaderDetail& h : d.headers)
        WriteHeader(json, h);
    json.Close(']');
    json.Key("codewords");
    json.Open('[');
    for (const mod::CodewordCheck& c : d.codewords)
        WriteCodeword(json, c);
    json.Close(']');
    if (d.shortData) {
        json.Key("shortData");
        json.Open('{');
        json.Key("following");
        json.Whole(d.dataFollowing);
        json.Key("codes");
        json.Open('[');
        for (const char c : d.messageCodes)
            json.Whole(static_cast<unsigned char>(c));
        json.Close(']');
        json.Close('}');
    }
    if (r.nmea) {
        json.Key("nmea");
        WriteNmea(json, *r.nmea, r.positionTrusted());
    }
    if (!r.mapLink.empty()) {
        json.Key("mapLink");
        json.Latin1(r.mapLink);
    }
    if (!r.source.finalAt.empty()) {
        json.Key("finalAt");
        json.Utf8(r.source.finalAt);
    }
    if (r.source.heard) {
        json.Key("heard");
        WriteHeard(json, *r.source.heard);
    }
    // Last, so that a long log can follow in pieces with nothing of the record held back.
    json.Key("Log");
    out += '"';
}

void AppendRecordJson(std::string& out, const DecodedRecord& record) {
    AppendRecordJsonUntilLog(out, record);
    AppendJsonLatin1(out, record.info.Log.str());
    out += RecordJsonAfterLog;
}

void AppendStatsJson(std::string& out, const RecordStats& s) {
    JsonOut json(out);
    json.Open('{');
    const std::pair<std::string_view, std::uint64_t> counts[] = {
        {"syncPatterns", s.syncPatterns},       {"blocksDecoded", s.blocksDecoded},
        {"noPatternLeft", s.noPatternLeft},     {"patternsPassedOver", s.patternsPassedOver},
        {"corruptedBlocks", s.corruptedBlocks}, {"codewordsRead", s.codewordsRead},
        {"codewordsFailed", s.codewordsFailed}};
    for (const auto& [name, value] : counts) {
        json.Key(name);
        json.Whole(value);
    }
    json.Key("codewordErrorRate");
    json.Real(s.codewordErrorRate());
    const std::pair<std::string_view, std::uint64_t> more[] = {
        {"shortDataMessages", s.shortDataMessages},
        {"nmeaChecksumGood", s.nmeaChecksumGood},
        {"nmeaChecksumBad", s.nmeaChecksumBad},
        {"positions", s.positions},
        {"positionsTrusted", s.positionsTrusted}};
    for (const auto& [name, value] : more) {
        json.Key(name);
        json.Whole(value);
    }
    json.Key("units");
    json.Open('[');
    for (const UnitCount& u : s.units) {
        json.Open('{');
        json.Key("address");
        json.Latin1(u.address);
        json.Key("sent");
        json.Whole(u.sent);
        json.Key("received");
        json.Whole(u.received);
        json.Close('}');
    }
    json.Close(']');
    if (s.unitsNotListed > 0) {
        json.Key("unitsNotListed");
        json.Whole(s.unitsNotListed);
    }
    json.Close('}');
}

} // namespace vantrel
