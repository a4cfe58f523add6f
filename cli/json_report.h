// A decoded file as JSON, for scripts and maps.
#pragma once

#include "decode_file.h"
#include "stream_decode.h"

#include <nlohmann/json.hpp>

#include <string_view>

namespace vantrel {

// {"Path", "BlockCount", "Blocks": [every BlockInfo field, in the record's order, plus
// "FromAddrDec" and "ToAddrDec", the decimal forms of the two addresses]}. Texts from the
// recording are Latin-1 and come out as UTF-8; the path is kept as given when it already is
// UTF-8. Only blocks 1..BlockCount are listed.
nlohmann::ordered_json JsonReport(std::string_view path, const DecodedFile& decoded);

// The same document written as the records come: DocumentHead, the records (each one
// RecordHead, its trailer as TextPiece, RecordTail; a comma between records), DocumentTail.
// Together they give the very bytes of JsonReport(...).dump().
std::string JsonDocumentHead(std::string_view path, std::int64_t count);
inline constexpr std::string_view JsonDocumentTail = "]}";
inline constexpr std::string_view JsonRecordSeparator = ",";

// One record: the object of a block in the document, its log left open after its head.
// `line` adds in front the record's place and kind, one object a line (--format jsonl):
// "Path", "Number", "NoPattern", "Fec", "SyncBit", "Line", "Column" (the last four null for
// a record without a pattern).
// `pathJson` is JsonPathText of the input's name.
std::string JsonRecordHead(std::string_view pathJson, const StreamRecord& record, bool line);
// The input's name as a JSON string, quotes included, as the document shows it.
std::string JsonPathText(std::string_view path);
// Closes the log; with a time, adds "FinalTime" (follow mode).
std::string JsonRecordTail(std::string_view finalTime);
// Characters of a log as they stand inside a JSON string (Latin-1 to UTF-8, escaped).
std::string JsonTextPiece(std::string_view text);

} // namespace vantrel
