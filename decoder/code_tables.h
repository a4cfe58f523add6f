// Names of the coded header fields: operating mode, function code and country.
#pragma once

#include <string>
#include <string_view>

namespace modETSI300230 {

// Text of the 3-bit operating mode.
std::string OpModeText(std::string_view bits);

// Text of the 6-bit function code: a table text for codes 0-31, "Status n." and the status
// number for codes 32-47, an empty text from 48 on.
std::string FunctionText(std::string_view bits);

// Text of the 6-bit country code; an empty text from code 32 on.
std::string CountryText(std::string_view bits);

} // namespace modETSI300230
