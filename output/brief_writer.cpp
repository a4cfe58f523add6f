// --format brief: one line per call, for a person watching a channel or reading a file.
// Every column has a fixed width, so lines written one by one as the calls become final (in
// follow mode, or by several files' writers of their own) still line up. Colour, when the
// caller asks for it, wraps the text of a column and never counts towards its width.
#include "channel_text.h"
#include "clock_time.h"
#include "heard_signal.h"
#include "output_text.h"
#include "record_writer.h"

#include <charconv>

namespace vantrel {

namespace {

// Widths in terminal columns: the longest text each column normally holds. A longer one
// pushes the rest of its line along, one blank always before the next column.
constexpr std::size_t WhenWidth = 23;     // "2026-12-07 21:03:48.1Z", "line 75745, column 40"
constexpr std::size_t ChannelWidth = 13;  // "446.00625 MHz"
constexpr std::size_t LevelWidth = 10;    // "-13.6 dBFS"
constexpr std::size_t EbN0Width = 8;      // "13.7 dB"
constexpr std::size_t FecWidth = 6;       // "NO FEC"
constexpr std::size_t AddressWidth = 6;   // a 12-bit common address and a padded 12-bit one
constexpr std::size_t FunctionWidth = 22; // "Absent/Unavailable Ack", "Dialogue data transfer"

constexpr std::string_view Arrow = " \xE2\x86\x92 "; // " → "
constexpr std::string_view CorruptedMark = "!";

// Select graphic rendition codes of the colours used.
constexpr std::string_view Dim = "2";
constexpr std::string_view Bold = "1";
constexpr std::string_view Red = "1;31";
constexpr std::string_view Green = "32";
constexpr std::string_view Cyan = "36";

// Terminal columns of UTF-8 text: one for every character (the texts here have no wide ones).
std::size_t Columns(std::string_view utf8) {
    std::size_t columns = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++columns;
    return columns;
}

std::string Decibels(double db, std::string_view unit) {
    char text[32];
    const auto written =
        std::to_chars(text, text + sizeof text, RoundedDb(db), std::chars_format::fixed, 1);
    return std::string(text, written.ptr) + ' ' + std::string(unit);
}

class BriefWriter : public RecordWriter {
public:
    BriefWriter(std::ostream& out, const WriterOptions& options)
        : RecordWriter(out), utc_(options.utc), colour_(options.colour) {}

    void ExpectChannels() override { channels_ = true; }
    void Write(const DecodedRecord& record) override;

private:
    // `text` in its colour, then blanks up to `width` (before it when `right`).
    void Column(std::string_view text, std::size_t width, std::string_view colour = {},
                bool right = false);
    void Blank(std::size_t count) { line_.append(count, ' '); }
    std::string When(const RecordSource& source) const;

    bool utc_;
    bool colour_;
    bool channels_ = false;
    std::string line_; // kept from line to line
};

void BriefWriter::Column(std::string_view text, std::size_t width, std::string_view colour,
                         bool right) {
    const std::size_t columns = Columns(text);
    const std::size_t padding = columns < width ? width - columns : 0;
    if (right)
        Blank(padding);
    if (colour_ && !colour.empty() && !text.empty()) {
        line_.append("\x1b[").append(colour).append("m").append(text).append("\x1b[0m");
    } else {
        line_.append(text);
    }
    if (!right)
        Blank(padding);
}

// By the clock when the record knows it (heard.utc; a followed record's finalAt), else its
// place: seconds into the sound, or the line and column of a bit text.
std::string BriefWriter::When(const RecordSource& source) const {
    const std::string& clock =
        source.heard && !source.heard->utc.empty() ? source.heard->utc : source.finalAt;
    if (const auto milliseconds = RecordTimeMilliseconds(clock))
        return ClockText(*milliseconds, {.utc = utc_, .decimals = 1});
    if (source.heard) {
        char text[40];
        const auto written = std::to_chars(text, text + sizeof text, source.heard->seconds,
                                           std::chars_format::fixed, 3);
        return std::string(text, written.ptr) + " s";
    }
    if (source.line && source.column)
        return "line " + std::to_string(*source.line) + ", column " +
               std::to_string(*source.column);
    return {};
}

void BriefWriter::Write(const DecodedRecord& record) {
    line_.clear();
    const RecordSource& source = record.source;
    Column(When(source), WhenWidth, Dim);
    if (channels_ || source.channelHz) {
        Blank(2);
        Column(source.channelHz ? ChannelText(static_cast<std::uint64_t>(*source.channelHz)) : "",
               ChannelWidth, {}, true);
    }
    const bool heard = source.heard.has_value();
    Blank(2);
    Column(heard && source.heard->levelDbfs ? Decibels(*source.heard->levelDbfs, "dBFS") : "",
           LevelWidth, {}, true);
    Blank(2);
    Column(heard && source.heard->ebN0Db ? Decibels(*source.heard->ebN0Db, "dB") : "", EbN0Width,
           {}, true);
    Blank(2);
    if (record.detail.noPatternLeft) {
        Blank(FecWidth + 2 + CorruptedMark.size() + 1 + AddressWidth + Columns(Arrow) +
              AddressWidth + 2);
        Column("no block", FunctionWidth);
        Blank(2);
        line_.append("its pattern lies inside the block before");
    } else {
        Column(record.detail.fec ? "FEC" : "NO FEC", FecWidth);
        Blank(2);
        Column(record.info.Corrupted ? CorruptedMark : "", CorruptedMark.size(), Red);
        Blank(1);
        Column(TerminalText(record.info.FromAddr), AddressWidth, Bold, true);
        line_.append(Arrow);
        Column(TerminalText(record.info.ToAddr), AddressWidth, Bold);
        Blank(2);
        // The call's own function: with extended addressing the second header's.
        Column(TerminalText(record.info.Func2), FunctionWidth);
        Blank(2);
        if (record.nmea && record.nmea->hasPosition)
            Column("position " + NumberText(record.nmea->latitude) + ", " +
                       NumberText(record.nmea->longitude),
                   0, Cyan);
        else
            Column(TerminalText(record.info.Message), 0, Green);
    }
    while (!line_.empty() && line_.back() == ' ')
        line_.pop_back();
    line_.append("\r\n");
    out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
}

} // namespace

std::unique_ptr<RecordWriter> MakeBriefWriter(std::ostream& out, const WriterOptions& options) {
    return std::make_unique<BriefWriter>(out, options);
}

} // namespace vantrel
