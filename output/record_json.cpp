#include "record_json.h"

#include "heard_signal.h"
#include "latin1.h"
#include "record_json_text.h"

namespace vantrel {

namespace {

namespace mod = modETSI300230;
using Json = nlohmann::ordered_json;

Json HeaderJson(const mod::HeaderDetail& h) {
    Json json;
    json["opMode"] = h.opMode;
    json["opModeText"] = Latin1ToUtf8(h.opModeText);
    json["function"] = h.function;
    json["functionText"] = Latin1ToUtf8(h.functionText);
    json["country"] = h.country;
    json["countryText"] = Latin1ToUtf8(h.countryText);
    json["common"] = h.common;
    json["from"] = h.from;
    json["to"] = h.to;
    return json;
}

Json CodewordJson(const mod::CodewordCheck& c) {
    Json json;
    json["kind"] = CodewordKindName(c.kind);
    json["complete"] = c.complete;
    json["crc"] = c.remainder;
    json["parity"] = c.parity;
    json["ok"] = !c.failed;
    return json;
}

Json NmeaJson(const mod::NmeaReading& n, bool positionTrusted) {
    Json json;
    json["sentence"] = Latin1ToUtf8(n.sentenceType);
    json["checksumOk"] = n.checksumOk;
    if (!n.fixTime.empty())
        json["fixTime"] = Latin1ToUtf8(n.fixTime);
    if (!n.fixDate.empty())
        json["fixDate"] = Latin1ToUtf8(n.fixDate);
    if (n.hasPosition) {
        json["lat"] = n.latitude;
        json["lon"] = n.longitude;
        json["positionTrusted"] = positionTrusted;
    } else {
        json["positionReason"] = n.positionReason;
    }
    return json;
}

Json HeardJson(const HeardInfo& heard) {
    Json json;
    json["seconds"] = heard.seconds;
    if (heard.levelDbfs)
        json["levelDbfs"] = RoundedDb(*heard.levelDbfs);
    if (heard.ebN0Db)
        json["ebN0Db"] = RoundedDb(*heard.ebN0Db);
    if (!heard.utc.empty())
        json["utc"] = heard.utc;
    return json;
}

} // namespace

Json RecordJson(const DecodedRecord& r) {
    const mod::BlockInfo& b = r.info;
    const mod::BlockDetail& d = r.detail;
    Json json;
    json["version"] = RecordFormatVersion;
    if (!r.source.file.empty())
        json["file"] = Utf8OrLatin1(r.source.file);
    if (r.source.channelHz)
        json["channel"] = {{"hz", *r.source.channelHz}};
    json["number"] = r.number;
    if (!d.noPatternLeft)
        json["syncBit"] = d.syncPosition;
    if (r.source.line)
        json["line"] = *r.source.line;
    if (r.source.column)
        json["column"] = *r.source.column;
    json["fec"] = d.fec;
    json["noPatternLeft"] = d.noPatternLeft;
    json["Func1"] = Latin1ToUtf8(b.Func1);
    json["Func2"] = Latin1ToUtf8(b.Func2);
    json["FromCountry"] = Latin1ToUtf8(b.FromCountry);
    json["FromAddr"] = Latin1ToUtf8(b.FromAddr);
    json["FromAddrDec"] = r.fromAddrValue;
    json["ToCountry"] = Latin1ToUtf8(b.ToCountry);
    json["ToAddr"] = Latin1ToUtf8(b.ToAddr);
    json["ToAddrDec"] = r.toAddrValue;
    json["Message"] = Latin1ToUtf8(b.Message);
    json["Corrupted"] = b.Corrupted;
    json["extendedAddressing"] = r.extendedAddressing();
    Json headers = Json::array();
    for (const mod::HeaderDetail& h : d.headers)
        headers.push_back(HeaderJson(h));
    json["headers"] = std::move(headers);
    Json codewords = Json::array();
    for (const mod::CodewordCheck& c : d.codewords)
        codewords.push_back(CodewordJson(c));
    json["codewords"] = std::move(codewords);
    if (d.shortData) {
        Json shortData;
        shortData["following"] = d.dataFollowing;
        Json codes = Json::array();
        for (const char c : d.messageCodes)
            codes.push_back(static_cast<unsigned char>(c));
        shortData["codes"] = std::move(codes);
        json["shortData"] = std::move(shortData);
    }
    if (r.nmea)
        json["nmea"] = NmeaJson(*r.nmea, r.positionTrusted());
    if (!r.mapLink.empty())
        json["mapLink"] = Latin1ToUtf8(r.mapLink);
    if (!r.source.finalAt.empty())
        json["finalAt"] = r.source.finalAt;
    if (r.source.heard)
        json["heard"] = HeardJson(*r.source.heard);
    // Last, so that a long log can follow in pieces with nothing of the record held back.
    json["Log"] = Latin1ToUtf8(b.Log.str());
    return json;
}

Json StatsJson(const RecordStats& s) {
    Json json;
    json["syncPatterns"] = s.syncPatterns;
    json["blocksDecoded"] = s.blocksDecoded;
    json["noPatternLeft"] = s.noPatternLeft;
    json["patternsPassedOver"] = s.patternsPassedOver;
    json["corruptedBlocks"] = s.corruptedBlocks;
    json["codewordsRead"] = s.codewordsRead;
    json["codewordsFailed"] = s.codewordsFailed;
    json["codewordErrorRate"] = s.codewordErrorRate();
    json["shortDataMessages"] = s.shortDataMessages;
    json["nmeaChecksumGood"] = s.nmeaChecksumGood;
    json["nmeaChecksumBad"] = s.nmeaChecksumBad;
    json["positions"] = s.positions;
    json["positionsTrusted"] = s.positionsTrusted;
    Json units = Json::array();
    for (const UnitCount& u : s.units)
        units.push_back(
            {{"address", Latin1ToUtf8(u.address)}, {"sent", u.sent}, {"received", u.received}});
    json["units"] = std::move(units);
    if (s.unitsNotListed > 0)
        json["unitsNotListed"] = s.unitsNotListed;
    return json;
}

} // namespace vantrel
