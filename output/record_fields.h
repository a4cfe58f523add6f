// A record as one flat row of named values: the CSV columns and the GeoJSON properties.
#pragma once

#include "decoded_record.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vantrel {

// No value (an optional field left empty), a UTF-8 text, a whole number, a real number or
// a truth value.
using FieldValue = std::variant<std::monostate, std::string, std::int64_t, double, bool>;

// The names of the flat fields, in their order; `channel` false leaves out the last,
// "channelHz", for a run whose records carry no channel.
std::span<const std::string_view> FlatFieldNames(bool channel = true);

// A text of the record as it holds it, not yet converted to UTF-8: texts from the recording
// are Latin-1, a file name is UTF-8 when it is valid UTF-8 and Latin-1 otherwise.
struct FieldText {
    enum class Encoding { Latin1, Utf8OrLatin1, Utf8 };
    std::string_view text;
    Encoding encoding = Encoding::Latin1;
};
// A value as FieldValue, with its text left in the record: for writers that write every
// record and need no copy of it.
using FieldView = std::variant<std::monostate, FieldText, std::int64_t, double, bool>;

// The record's values, one for each name, in the same order, into `views` (cleared first).
// They point into `record`.
void FlatFieldViews(const DecodedRecord& record, std::vector<FieldView>& views);

// A text field's value as UTF-8.
std::string Utf8Of(const FieldText& text);

// The record's values, one for each name, in the same order. Texts from the recording are
// Latin-1 and come out as UTF-8.
std::vector<FieldValue> FlatFieldValues(const DecodedRecord& record);

} // namespace vantrel
