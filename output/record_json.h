// A record and the statistics as JSON objects: the one rendering the json and jsonl
// writers share.
#pragma once

#include "decoded_record.h"
#include "record_stats.h"

#include <nlohmann/json.hpp>

#include <string>

namespace vantrel {

// Every field of the record, as docs/records.md lists them. Fields the record does not
// have (no file name, no position, ...) are left out rather than written as null.
nlohmann::ordered_json RecordJson(const DecodedRecord& record);

// A record's JSON text, written with an empty log, cut where the log's characters go: the
// record's log can then follow in pieces (JsonStringPiece) between the two. The log is the
// record's last member, so no long trailer is ever held to write what comes after it.
struct LogCut {
    std::string head; // up to the log's opening quote
    std::string tail; // from its closing quote
};
LogCut CutAtEmptyLog(std::string text);
// Where CutAtEmptyLog cuts: just after the empty log's opening quote.
std::size_t EmptyLogCut(std::string_view text);

nlohmann::ordered_json StatsJson(const RecordStats& stats);

} // namespace vantrel
