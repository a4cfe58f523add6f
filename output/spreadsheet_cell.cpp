#include "spreadsheet_cell.h"

namespace vantrel {

namespace {

bool StartsFormula(std::string_view text) {
    constexpr std::string_view FormulaStarts = "=+-@\t\r";
    return !text.empty() && FormulaStarts.find(text.front()) != std::string_view::npos;
}

} // namespace

std::string SpreadsheetText(std::string_view text, SpreadsheetCells cells) {
    std::string cell;
    if (cells == SpreadsheetCells::Guarded && StartsFormula(text))
        cell += '\'';
    cell += text;
    return cell;
}

} // namespace vantrel
