// The CSV record format: RFC 4180, a header row, one row per record.
#include "output_text.h"
#include "record_fields.h"
#include "record_writer.h"
#include "spreadsheet_cell.h"

namespace vantrel {

namespace {

constexpr std::string_view RowEnd = "\r\n";

std::string CellText(const FieldValue& value, SpreadsheetCells cells) {
    struct Render {
        SpreadsheetCells cells;
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(const std::string& text) const {
            return CsvField(SpreadsheetText(text, cells));
        }
        std::string operator()(std::int64_t number) const { return std::to_string(number); }
        std::string operator()(double number) const { return NumberText(number); }
        std::string operator()(bool truth) const { return truth ? "true" : "false"; }
    };
    return std::visit(Render{cells}, value);
}

class CsvWriter : public RecordWriter {
public:
    CsvWriter(std::ostream& out, SpreadsheetCells cells) : RecordWriter(out), cells_(cells) {}

    void BeginRun() override {
        const std::span<const std::string_view> names = FlatFieldNames();
        for (std::size_t i = 0; i < names.size(); ++i)
            out_ << (i == 0 ? "" : ",") << names[i];
        out_ << RowEnd;
    }
    void Write(const DecodedRecord& record) override {
        const std::vector<FieldValue> values = FlatFieldValues(record);
        std::string row;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i != 0)
                row += ',';
            row += CellText(values[i], cells_);
        }
        row += RowEnd;
        out_ << row;
    }

private:
    SpreadsheetCells cells_;
};

} // namespace

std::unique_ptr<RecordWriter> MakeCsvWriter(std::ostream& out, SpreadsheetCells cells) {
    return std::make_unique<CsvWriter>(out, cells);
}

} // namespace vantrel
