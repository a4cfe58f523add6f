// --format brief, taken from the table of formats as the program takes it: one line per call
// whose columns line up whatever each record carries, colour that only ever adds escape
// sequences, times by the clock in the local time or UTC, and no text from the air that could
// reach a terminal as a command.
#include "../harness/local_zone.h"
#include "output_formats.h"
#include "record_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace mod = modETSI300230;

// A decoded call as the writers get it; each case below changes what it needs.
vantrel::DecodedRecord Call(std::string from, std::string to, std::string function) {
    vantrel::DecodedRecord r;
    r.number = 1;
    r.info.FromAddr = std::move(from);
    r.info.ToAddr = std::move(to);
    r.info.Func1 = function;
    r.info.Func2 = std::move(function);
    r.detail.headers.push_back({});
    return r;
}

vantrel::HeardInfo Heard(double seconds, std::string utc = {}) {
    return vantrel::HeardInfo{seconds, -13.57027243980712, 13.710419934581793, std::move(utc)};
}

struct LineCase {
    const char* name;
    vantrel::DecodedRecord record;
    std::vector<std::string> shows; // what its line holds, in this order
};

std::vector<LineCase> LineCases() {
    std::vector<LineCase> cases;
    {
        vantrel::DecodedRecord r = Call("1234", "1567", "Normal radio call");
        r.source.heard = Heard(1.921, "2026-12-07T21:03:49.921Z");
        cases.push_back({"SoundByTheClock",
                         r,
                         {"2026-12-07 21:03:49.9Z", "-13.6 dBFS", "13.7 dB", "NO FEC",
                          "1234 \xE2\x86\x92 1567", "Normal radio call"}});
    }
    {
        vantrel::DecodedRecord r = Call("1567", "1234", "General Ack");
        r.source.heard = Heard(2.62);
        r.source.heard->levelDbfs = -0.04; // rounds to 0, never "-0.0"
        cases.push_back({"SoundWithoutAClock", r, {"2.620 s", " 0.0 dBFS", "1567", "General Ack"}});
    }
    {
        vantrel::DecodedRecord r = Call("3101", "3001", "Status n.16");
        r.detail.fec = true;
        r.source.line = 75745;
        r.source.column = 40;
        cases.push_back({"BitText", r, {"line 75745, column 40", "FEC", "3101", "Status n.16"}});
    }
    {
        // Extended addressing: the call's own function is the second header's.
        vantrel::DecodedRecord r = Call("8123", "2A9C4", "Normal radio call");
        r.info.Func1 = "External addressing";
        r.info.Corrupted = true;
        r.source.finalAt = "2026-12-07T21:03:50.000Z"; // followed: final by the clock
        cases.push_back(
            {"CorruptedExtendedFollowed",
             r,
             {"2026-12-07 21:03:50.0Z", "!", "8123 \xE2\x86\x92 2A9C4", "Normal radio call"}});
    }
    {
        vantrel::DecodedRecord r = Call("4011", "4001", "Short data transfer");
        r.info.Message = "$GPRMC,123519,A,4807.038,N,01131.000,E";
        r.nmea = mod::NmeaReading{};
        r.nmea->hasPosition = true;
        r.nmea->latitude = 48.1173;
        r.nmea->longitude = 11.51667;
        r.source.channelHz = 446'006'250;
        cases.push_back(
            {"PositionOnAChannel",
             r,
             {"446.00625 MHz", "4011", "Short data transfer", "position 48.1173, 11.51667"}});
    }
    {
        vantrel::DecodedRecord r = Call("1234", "20C8", "Short data transfer");
        r.info.Message = "CALL BASE ON CH 2";
        r.source.heard = Heard(12345.678);
        cases.push_back({"Message", r, {"12345.678 s", "CALL BASE ON CH 2"}});
    }
    {
        vantrel::DecodedRecord r;
        r.number = 7;
        r.detail.noPatternLeft = true;
        cases.push_back({"NoPatternLeft", r, {"no block"}});
    }
    return cases;
}

std::string Written(const std::vector<vantrel::DecodedRecord>& records,
                    const vantrel::WriterOptions& options) {
    vantrel::RecordOutput out(vantrel::OutputFormatNamed("brief")->writer, options, true);
    out.writer().BeginRun();
    out.writer().BeginFile("rx.wav");
    for (const vantrel::DecodedRecord& r : records)
        out.writer().Write(r);
    out.writer().EndFile({});
    out.writer().EndRun({});
    return out.Take();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = text.find("\r\n", from);
        if (end == std::string::npos) {
            ADD_FAILURE() << "a line without CR LF: " << text.substr(from);
            break;
        }
        lines.push_back(text.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}

// Terminal columns before byte `at`: UTF-8 continuation bytes take none.
std::size_t ColumnOf(const std::string& line, std::size_t at) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < at; ++i)
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80)
            ++columns;
    return columns;
}

std::string WithoutColour(const std::string& text) {
    return std::regex_replace(text, std::regex("\x1b\\[[0-9;]*m"), "");
}

std::vector<vantrel::DecodedRecord> Records() {
    std::vector<vantrel::DecodedRecord> records;
    for (const LineCase& c : LineCases())
        records.push_back(c.record);
    return records;
}

TEST(Brief, EachCallALineShowingWhatItsRecordHolds) {
    const std::vector<LineCase> cases = LineCases();
    const std::vector<std::string> lines = Lines(Written(Records(), {.utc = true}));
    ASSERT_EQ(lines.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::size_t at = 0;
        for (const std::string& part : cases[i].shows) {
            const std::size_t found = lines[i].find(part, at);
            EXPECT_NE(found, std::string::npos) << cases[i].name << ": " << part << "\n"
                                                << lines[i];
            at = found == std::string::npos ? at : found + part.size();
        }
        EXPECT_NE(lines[i].back(), ' ') << cases[i].name;
    }
}

// Sound with and without a clock, a bit text, a channel or none: the FEC column, the arrow
// and the function start in the same column on every line.
TEST(Brief, ColumnsLineUpWhateverARecordCarries) {
    const std::vector<LineCase> cases = LineCases();
    const std::vector<std::string> lines = Lines(Written(Records(), {}));
    ASSERT_EQ(lines.size(), cases.size());
    const std::regex columns("(NO FEC|FEC) .*\xE2\x86\x92 \\S+ +(\\S)");
    std::vector<std::size_t> fec, arrow, function;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        if (cases[i].record.detail.noPatternLeft)
            continue;
        ASSERT_TRUE(std::regex_search(lines[i], m, columns)) << lines[i];
        fec.push_back(ColumnOf(lines[i], static_cast<std::size_t>(m.position(1))));
        arrow.push_back(ColumnOf(lines[i], lines[i].find("\xE2\x86\x92")));
        function.push_back(ColumnOf(lines[i], static_cast<std::size_t>(m.position(2))));
    }
    for (const auto* column : {&fec, &arrow, &function})
        EXPECT_EQ(std::count(column->begin(), column->end(), column->front()),
                  static_cast<std::ptrdiff_t>(column->size()))
            << testing::PrintToString(*column);
    const std::string& blockless = lines[cases.size() - 1];
    EXPECT_EQ(ColumnOf(blockless, blockless.find("no block")), function.front()) << blockless;
}

TEST(Brief, ColourOnlyWhenAskedAndOnlyAsEscapes) {
    const std::string plain = Written(Records(), {});
    const std::string coloured = Written(Records(), {.colour = true});
    EXPECT_EQ(plain.find('\x1b'), std::string::npos);
    EXPECT_NE(coloured.find("\x1b[1;31m!\x1b[0m"), std::string::npos) << coloured;
    EXPECT_EQ(WithoutColour(coloured), plain);
}

// What a sender puts in a message or an address reaches the terminal as text: no escape,
// no bell, no backspace, no C1 control (whose CSI some terminals obey) survives.
TEST(Brief, NothingFromTheAirReachesTheTerminalAsAControl) {
    vantrel::DecodedRecord r = Call("12\x1b[2J",
                                    "\x9b"
                                    "31m",
                                    "Func\x07\x08");
    r.info.Message = "\x1b]0;pwned\x07\x1b[31mRED\x7f\x85\r\nNEXT";
    for (const bool colour : {false, true}) {
        const std::string text = WithoutColour(Written({r}, {.colour = colour}));
        const std::string line = text.substr(0, text.size() - 2);
        for (std::size_t i = 0; i < line.size(); ++i) {
            const auto c = static_cast<unsigned char>(line[i]);
            EXPECT_FALSE(c < 0x20 || c == 0x7F) << "byte " << int(c) << " at " << i;
            // U+0080 to U+009F in UTF-8.
            EXPECT_FALSE(c == 0xC2 && i + 1 < line.size() &&
                         static_cast<unsigned char>(line[i + 1]) < 0xA0)
                << "C1 control at " << i;
        }
        EXPECT_NE(line.find("RED"), std::string::npos) << line;
    }
}

// The clock in the local time, as TZ says, or in UTC.
TEST(Brief, LocalTimeUnlessUtc) {
    struct Case {
        const char* zone;
        bool utc;
        const char* shows;
    };
    vantrel::DecodedRecord r = Call("1234", "1567", "Normal radio call");
    r.source.heard = Heard(1.921, "2026-12-07T23:59:59.999Z");
    for (const Case c : {Case{"UTC0", false, "2026-12-07 23:59:59.9 "},
                         Case{"CET-1", false, "2026-12-08 00:59:59.9 "},
                         Case{"EST5", false, "2026-12-07 18:59:59.9 "},
                         Case{"CET-1", true, "2026-12-07 23:59:59.9Z"}}) {
        const LocalZone zone(c.zone);
        EXPECT_EQ(Written({r}, {.utc = c.utc}).rfind(c.shows, 0), 0U) << c.zone << c.utc;
    }
}

} // namespace
