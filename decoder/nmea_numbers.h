// Locale-free reading and writing of the numbers of a position sentence (nmea.cpp).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace modETSI300230 {

// The character at `index`, which lies within the text, as an unsigned 8-bit code.
unsigned char CodeAt(std::string_view text, std::size_t index);

bool IsDigit(unsigned char c);

// Value of the leading hexadecimal digits of the text (the checksum), 0 when there are none.
unsigned ReadHex(std::string_view text);

// A coordinate field at the front of the text ("ddmm.mmm", degreeDigits 2, or "dddmm.mmm",
// degreeDigits 3) in degrees, held within the single-precision range.
float ReadCoordinate(std::string_view text, std::size_t degreeDigits);

// The coordinate as the map link writes it: 7 significant digits, plain decimal notation.
std::string CoordinateText(float value);

} // namespace modETSI300230
