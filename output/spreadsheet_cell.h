// What keeps a CSV text cell from becoming a live spreadsheet formula.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// Guarded: text cells are written so a spreadsheet shows them as text. Raw: as they are.
enum class SpreadsheetCells { Guarded, Raw };

// The text of a CSV text cell. Anyone with a radio can send a message, and a spreadsheet
// opening the CSV runs a cell starting with "=", "+", "-" or "@" as a formula (and one
// starting with a tab or a carriage return, after stripping it, as well); guarded, such a
// text gets a leading "'", as OWASP advises, which spreadsheets take as "this is text".
// Numbers are not texts and never pass through here, so a latitude of -12.5 stays a number.
std::string SpreadsheetText(std::string_view text, SpreadsheetCells cells);

} // namespace vantrel
