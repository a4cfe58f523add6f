// The CSV record format: RFC 4180, a header row, one row per record.
#include "latin1.h"
#include "output_text.h"
#include "record_fields.h"
#include "record_writer.h"
#include "spreadsheet_cell.h"

#include <charconv>
#include <stdexcept>

namespace vantrel {

namespace {

constexpr std::string_view RowEnd = "\r\n";

// Appends one cell; `utf8` is room for a text's conversion, kept from cell to cell. Text
// cells pass the spreadsheet guard (SpreadsheetText).
void AppendCell(std::string& row, const FieldView& value, SpreadsheetCells cells,
                std::string& utf8) {
    struct Render {
        std::string& row;
        SpreadsheetCells cells;
        std::string& utf8;
        void operator()(std::monostate) const {}
        void operator()(const FieldText& text) const {
            utf8.clear();
            if (text.encoding == FieldText::Encoding::Utf8)
                utf8.assign(text.text);
            else if (text.encoding == FieldText::Encoding::Latin1)
                AppendLatin1AsUtf8(utf8, text.text);
            else
                utf8 = Utf8Of(text);
            AppendCsvField(row, SpreadsheetText(utf8, cells));
        }
        void operator()(std::int64_t number) const {
            char digits[24];
            row.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
        }
        void operator()(double number) const { row += NumberText(number); }
        void operator()(bool truth) const { row += truth ? "true" : "false"; }
    };
    std::visit(Render{row, cells, utf8}, value);
}

class CsvWriter : public RecordWriter {
public:
    CsvWriter(std::ostream& out, SpreadsheetCells cells) : RecordWriter(out), cells_(cells) {}

    void ExpectChannels() override { channels_ = true; }
    void BeginRun() override {
        const std::span<const std::string_view> names = FlatFieldNames(channels_);
        for (std::size_t i = 0; i < names.size(); ++i)
            out_ << (i == 0 ? "" : ",") << names[i];
        out_ << RowEnd;
    }
    // The row is made in a text kept from record to record, the cells from views of the
    // record: nothing is allocated for a record once the first rows are written.
    void Write(const DecodedRecord& record) override {
        // A channel with no column would be lost without a word: the run must say ahead.
        if (record.source.channelHz && !channels_)
            throw std::logic_error("csv: a record carries a channel its run did not announce");
        FlatFieldViews(record, values_);
        row_.clear();
        const std::size_t columns = FlatFieldNames(channels_).size();
        for (std::size_t i = 0; i < columns; ++i) {
            if (i != 0)
                row_ += ',';
            AppendCell(row_, values_[i], cells_, utf8_);
        }
        row_ += RowEnd;
        out_.write(row_.data(), static_cast<std::streamsize>(row_.size()));
    }

private:
    SpreadsheetCells cells_;
    bool channels_ = false;
    std::vector<FieldView> values_;
    std::string row_;
    std::string utf8_;
};

} // namespace

std::unique_ptr<RecordWriter> MakeCsvWriter(std::ostream& out, SpreadsheetCells cells) {
    return std::make_unique<CsvWriter>(out, cells);
}

} // namespace vantrel
