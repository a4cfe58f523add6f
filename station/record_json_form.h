// The JSON form of a record that leaves the program through the station (the broker's
// payload, the database's `record` column), and reading it back from the database.
#pragma once

#include "decoded_record.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The record's JSON object as a JSON Lines line carries it, made by the record writers' code,
// but with an empty Log: a log can hold a long stretch of the input, and a subscriber or a
// table gets the same object whatever format the run writes.
std::string RecordJsonWithoutLog(const DecodedRecord& record);

// The record such a text holds: every field the text carries (the GPS reading and the map
// link made again from the message, as the decoder makes them), its log empty. Nothing for a
// text that is not such an object (another program's row, a damaged file).
std::optional<DecodedRecord> RecordFromJson(std::string_view json);

} // namespace vantrel
