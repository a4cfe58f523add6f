// A record and the statistics as JSON text, written straight into a string: what the json and
// jsonl writers write. The members, their order and their bytes are those of RecordJson and
// StatsJson (record_json.h) dumped by the JSON library; the tests hold the two together.
#pragma once

#include "decoded_record.h"
#include "record_stats.h"

#include <string>
#include <string_view>

namespace vantrel {

// Appends the record's JSON object: every field of docs/records.md, those the record does not
// have left out, the log last.
void AppendRecordJson(std::string& out, const DecodedRecord& record);

// The same object in three parts, for a log too long to hold: every member up to the log's
// characters (the record's own log is not written), the log's characters in any pieces
// (AppendJsonLatin1), then RecordJsonAfterLog.
void AppendRecordJsonUntilLog(std::string& out, const DecodedRecord& record);
inline constexpr std::string_view RecordJsonAfterLog = "\"}";

// "header", "address" or "data": a codeword's kind as the records name it.
std::string_view CodewordKindName(modETSI300230::CodewordCheck::Kind kind);

// Appends the statistics' JSON object.
void AppendStatsJson(std::string& out, const RecordStats& stats);

} // namespace vantrel
