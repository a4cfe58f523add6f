// The recordings are 8-bit text shown as Latin-1; JSON wants UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// Every byte taken as the Latin-1 character of that code, written in UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);

} // namespace vantrel
