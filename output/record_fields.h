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

// The names of the flat fields, in their order.
std::span<const std::string_view> FlatFieldNames();

// The record's values, one for each name, in the same order. Texts from the recording are
// Latin-1 and come out as UTF-8.
std::vector<FieldValue> FlatFieldValues(const DecodedRecord& record);

} // namespace vantrel
