// Records as the decode hands them to the station: a call from one unit to another, its
// headers passed or failed, with a position, heard over sound or not.
#pragma once

#include "decoded_record.h"

#include <optional>
#include <string>

// Calls are written with designated initializers naming only what a test is about.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace station_test {

struct Call {
    std::string from = "1234";
    std::string to = "5678";
    bool headerFailed = false;
    std::string message;
    std::optional<double> latitude; // with longitude: a GPS position
    double longitude = 0;
    std::optional<double> levelDbfs;
    std::optional<double> ebN0Db;
    std::string file = "live.txt";
};

inline vantrel::DecodedRecord Record(const Call& call, std::int64_t number = 1) {
    modETSI300230::BlockInfo info;
    info.Func1 = info.Func2 = call.message.empty() ? "Normal radio call" : "Short data transfer";
    info.FromAddr = call.from;
    info.ToAddr = call.to;
    info.Message = call.message;
    info.Corrupted = call.headerFailed;
    info.Log = modETSI300230::SharedText(std::string(200, 'L'));
    modETSI300230::BlockDetail detail;
    detail.headers.emplace_back();
    detail.codewords.push_back(
        {modETSI300230::CodewordCheck::Kind::Header, true, 0, 0, call.headerFailed});
    detail.shortData = !call.message.empty();
    vantrel::RecordSource source;
    source.file = call.file;
    if (call.levelDbfs || call.ebN0Db) {
        source.heard =
            vantrel::HeardInfo{1.5, call.levelDbfs, call.ebN0Db, "2026-12-07T21:03:48.000Z"};
    } else {
        source.line = 7;
        source.column = 1;
    }
    vantrel::DecodedRecord record =
        vantrel::MakeRecord(number, std::move(info), std::move(detail), std::move(source));
    if (call.latitude) {
        record.nmea.emplace();
        record.nmea->sentenceType = "GPRMC";
        record.nmea->checksumOk = true;
        record.nmea->hasPosition = true;
        record.nmea->latitude = *call.latitude;
        record.nmea->longitude = call.longitude;
    }
    return record;
}

} // namespace station_test
