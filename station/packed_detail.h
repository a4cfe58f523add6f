// The part of a record the database's columns do not hold, packed into a few bytes (the
// `detail` column): the headers' fields, every codeword's verdict and a message's codes.
// With the columns it gives the record back whole. A JSON text of the same (about 1 KB a
// record) took half the store's time and most of its disk.
#pragma once

#include "modETSI300230.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// Headers (9 bytes each), codewords (4 bytes each), and for short data the count the first
// data codeword announces and the codes: docs/database.md gives the layout.
std::string PackDetail(const modETSI300230::BlockDetail& detail);

// The detail again: its headers' texts made from their fields as the decoder makes them, its
// sync position, FEC and no-pattern marks left for the caller (they are columns). Nothing
// for bytes that are not such a packing.
std::optional<modETSI300230::BlockDetail> UnpackDetail(std::string_view packed);

} // namespace vantrel
