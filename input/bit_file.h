// Reading a recording: an 8-bit text file of "0"/"1" characters into one bit string.
#pragma once

#include "raw_input.h"

#include <string>
#include <string_view>

namespace vantrel {

// Joins the fields of a file's content: a comma, a line end (CR LF, CR or LF) or the end
// ends a field; blanks (spaces, tabs) at both ends of a field are dropped; a field that starts
// with a double quote runs to the next double quote. Bytes are kept as they are.
std::string JoinFields(std::string_view content);

// Removes every LF character still in the joined text.
std::string RemoveLineFeeds(std::string text);

// Reads the whole file at `path` and joins its fields. Throws FileError when the file cannot
// be opened or read. "-" reads standard input. A compressed or UTF-16 text is read as its plain
// content (OpenPlain).
std::string ReadBitFile(const std::string& path);

// The same for an input already opened.
std::string ReadBitFile(const RawInput& input);

} // namespace vantrel
