// The recordings are 8-bit text shown as Latin-1; JSON wants UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// Every byte taken as the Latin-1 character of that code, written in UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);
// The same, appended to `utf8`.
void AppendLatin1AsUtf8(std::string& utf8, std::string_view latin1);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or codes beyond
// U+10FFFF).
bool IsUtf8(std::string_view text);

// A text that is normally UTF-8 already (a path from the command line) kept as it is; one
// that is not valid UTF-8 is taken as Latin-1.
std::string Utf8OrLatin1(std::string_view text);

} // namespace vantrel
