// A record writer together with the text it renders into, handed on piece by piece: what a
// record adds goes to the output as soon as the record is written, so no run holds its
// records.
#pragma once

#include "record_writer.h"

#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace vantrel {

class RecordOutput {
public:
    // `channels`: the run's records can carry a channel (RecordWriter::ExpectChannels).
    explicit RecordOutput(WriterMaker make, const WriterOptions& options = {},
                          bool channels = false)
        : stream_(&text_), writer_(make(stream_, options)) {
        if (channels)
            writer_->ExpectChannels();
    }
    RecordOutput(const RecordOutput&) = delete;
    RecordOutput& operator=(const RecordOutput&) = delete;

    RecordWriter& writer() { return *writer_; }

    // The text written since the last call.
    std::string Take() {
        std::string text = std::move(text_.text);
        text_.text.clear();
        return text;
    }
    // The same without handing the text over: valid until Clear or the next write. A run
    // that passes each record on at once keeps one text for all of them.
    std::string_view Text() const { return text_.text; }
    void Clear() { text_.text.clear(); }

private:
    // A stream buffer that appends to a string kept from record to record.
    struct TextBuffer : std::streambuf {
        std::string text;

    protected:
        int_type overflow(int_type c) override {
            if (!traits_type::eq_int_type(c, traits_type::eof()))
                text.push_back(traits_type::to_char_type(c));
            return traits_type::not_eof(c);
        }
        std::streamsize xsputn(const char* s, std::streamsize n) override {
            text.append(s, static_cast<std::size_t>(n));
            return n;
        }
    };

    TextBuffer text_;
    std::ostream stream_;
    std::unique_ptr<RecordWriter> writer_;
};

} // namespace vantrel
