// The CSV record format: RFC 4180, a header row, one row per record.
#include "latin1.h"
#include "output_text.h"
#include "record_fields.h"
#include "record_writer.h"

#include <charconv>

namespace vantrel {

namespace {

constexpr std::string_view RowEnd = "\r\n";

// Appends one cell; `utf8` is room for a text's conversion, kept from cell to cell.
void AppendCell(std::string& row, const FieldView& value, std::string& utf8) {
    struct Render {
        std::string& row;
        std::string& utf8;
        void operator()(std::monostate) const {}
        void operator()(const FieldText& text) const {
            if (text.encoding == FieldText::Encoding::Utf8) {
                AppendCsvField(row, text.text);
                return;
            }
            utf8.clear();
            if (text.encoding == FieldText::Encoding::Latin1)
                AppendLatin1AsUtf8(utf8, text.text);
            else
                utf8 = Utf8Of(text);
            AppendCsvField(row, utf8);
        }
        void operator()(std::int64_t number) const {
            char digits[24];
            row.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
        }
        void operator()(double number) const { row += NumberText(number); }
        void operator()(bool truth) const { row += truth ? "true" : "false"; }
    };
    std::visit(Render{row, utf8}, value);
}

class CsvWriter : public RecordWriter {
public:
    using RecordWriter::RecordWriter;

    void BeginRun() override {
        const std::span<const std::string_view> names = FlatFieldNames();
        for (std::size_t i = 0; i < names.size(); ++i)
            out_ << (i == 0 ? "" : ",") << names[i];
        out_ << RowEnd;
    }
    // The row is made in a text kept from record to record, the cells from views of the
    // record: nothing is allocated for a record once the first rows are written.
    void Write(const DecodedRecord& record) override {
        FlatFieldViews(record, values_);
        row_.clear();
        for (std::size_t i = 0; i < values_.size(); ++i) {
            if (i != 0)
                row_ += ',';
            AppendCell(row_, values_[i], utf8_);
        }
        row_ += RowEnd;
        out_.write(row_.data(), static_cast<std::streamsize>(row_.size()));
    }

private:
    std::vector<FieldView> values_;
    std::string row_;
    std::string utf8_;
};

} // namespace

std::unique_ptr<RecordWriter> MakeCsvWriter(std::ostream& out) {
    return std::make_unique<CsvWriter>(out);
}

} // namespace vantrel
