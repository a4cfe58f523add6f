// JSON text written straight into a string, byte for byte as the JSON library writes the same
// values (compact, no ASCII escaping of UTF-8): records are most of what the record formats
// write, and building a tree of every record only to serialise it cost most of their time.
#pragma once

#include <charconv>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// Latin-1 text as the characters of a JSON string (no quotes): converted to UTF-8, quote,
// backslash and control characters escaped. Byte by byte, so a text written in pieces gives
// the bytes of the text written whole.
void AppendJsonLatin1(std::string& out, std::string_view latin1);

// UTF-8 text as the characters of a JSON string (no quotes): only quote, backslash and control
// characters are escaped.
void AppendJsonUtf8(std::string& out, std::string_view utf8);

// A real number as the JSON library writes it (shortest text that reads back the same, "null"
// for infinities and NaN).
void AppendJsonReal(std::string& out, double value);

template <std::integral Number> void AppendJsonWhole(std::string& out, Number value) {
    char digits[24];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, written.ptr);
}

// Objects and arrays written member by member: the commas and the colons are this class's job.
class JsonOut {
public:
    explicit JsonOut(std::string& out) : out_(out) {}

    void Open(char bracket) { // '{' or '['
        Separate();
        out_ += bracket;
        written_ <<= 1;
    }
    void Close(char bracket) { // '}' or ']'
        out_ += bracket;
        written_ = (written_ >> 1) | 1U;
    }
    void Key(std::string_view name) {
        Separate();
        out_ += '"';
        out_ += name; // names are plain ASCII, nothing to escape
        out_ += "\":";
        afterKey_ = true;
    }
    void Latin1(std::string_view latin1) {
        Separate();
        out_ += '"';
        AppendJsonLatin1(out_, latin1);
        out_ += '"';
    }
    void Utf8(std::string_view utf8) {
        Separate();
        out_ += '"';
        AppendJsonUtf8(out_, utf8);
        out_ += '"';
    }
    template <std::integral Number> void Whole(Number value) {
        Separate();
        AppendJsonWhole(out_, value);
    }
    void Real(double value) {
        Separate();
        AppendJsonReal(out_, value);
    }
    void Truth(bool value) {
        Separate();
        out_ += value ? "true" : "false";
    }

private:
    // A value after a key follows its colon; any other one follows a comma unless it is the
    // first of its object or array.
    void Separate() {
        if (afterKey_)
            afterKey_ = false;
        else if ((written_ & 1U) != 0)
            out_ += ',';
        written_ |= 1U;
    }

    std::string& out_;
    std::uint64_t written_ = 0; // bit n: the object or array n levels up holds a member
    bool afterKey_ = false;
};

} // namespace vantrel
