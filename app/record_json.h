// A record and the statistics as JSON objects: the one rendering the json and jsonl
// writers share.
#pragma once

#include "decoded_record.h"
#include "record_stats.h"

#include <nlohmann/json.hpp>

namespace vantrel {

// Every field of the record, as docs/records.md lists them. Fields the record does not
// have (no file name, no position, ...) are left out rather than written as null.
nlohmann::ordered_json RecordJson(const DecodedRecord& record);

nlohmann::ordered_json StatsJson(const RecordStats& stats);

} // namespace vantrel
