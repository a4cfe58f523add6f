// A record and the statistics as JSON objects through the JSON library: the reference the
// json and jsonl writers' direct text (record_json_text) is tested against.
#pragma once

#include "decoded_record.h"
#include "record_stats.h"

#include <nlohmann/json.hpp>

#include <string>

namespace vantrel {

// Every field of the record, as docs/records.md lists them. Fields the record does not
// have (no file name, no position, ...) are left out rather than written as null.
nlohmann::ordered_json RecordJson(const DecodedRecord& record);

nlohmann::ordered_json StatsJson(const RecordStats& stats);

} // namespace vantrel
