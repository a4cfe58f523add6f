// Text as it stands inside a JSON string, written piece by piece.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// Characters of a log as they stand inside a JSON string: Latin-1 to UTF-8, escaped as the
// JSON library escapes the whole log in a record (the stream equality tests compare the two
// byte for byte, every byte value included). Both work byte by byte, so a log converted in
// pieces gives the bytes of the log converted whole.
std::string JsonStringPiece(std::string_view text);

} // namespace vantrel
