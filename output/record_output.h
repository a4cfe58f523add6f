// A record writer together with the text it renders into, handed on piece by piece: what a
// record adds goes to the output as soon as the record is written, so no run holds its
// records.
#pragma once

#include "record_writer.h"

#include <memory>
#include <sstream>
#include <string>

namespace vantrel {

class RecordOutput {
public:
    explicit RecordOutput(RecordFormat format, SpreadsheetCells cells = SpreadsheetCells::Guarded)
        : writer_(MakeRecordWriter(format, text_, cells)) {}
    RecordOutput(const RecordOutput&) = delete;
    RecordOutput& operator=(const RecordOutput&) = delete;

    RecordWriter& writer() { return *writer_; }

    // The text written since the last call.
    std::string Take() {
        std::string text = text_.str();
        text_.str(std::string());
        return text;
    }

private:
    std::ostringstream text_;
    std::unique_ptr<RecordWriter> writer_;
};

} // namespace vantrel
