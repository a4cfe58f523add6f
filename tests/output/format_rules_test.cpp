// The rules a run relies on to write records in pieces: files written by writers of their own
// and joined give the one writer's document, and a record whose log arrives in pieces gives
// the record written whole.
#include "encoder.h"
#include "record_output.h"
#include "record_writer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

namespace mod = modETSI300230;

// The records of two files: a call and a GPS position in one, a text in the other.
std::vector<std::vector<vantrel::DecodedRecord>> TwoFiles() {
    const std::vector<std::string> bits = {
        encoder::CallBlock({encoder::NormalCall, 10, 1, 0x234, 0x567}) +
            encoder::ShortDataBlock(
                {encoder::ShortData, 10, 1, 0x235, 0x567},
                "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"),
        encoder::ShortDataBlock({encoder::ShortData, 12, 2, 0x111, 0x222}, "HELLO \"THERE\"")};
    std::vector<std::vector<vantrel::DecodedRecord>> files;
    for (const std::string& file : bits) {
        std::vector<mod::BlockInfo> blocks;
        std::vector<mod::BlockDetail> details;
        std::int32_t count = 0;
        mod::DecodeStream(file, blocks, count, details);
        files.emplace_back();
        for (std::int32_t i = 0; i < count; ++i)
            files.back().push_back(vantrel::MakeRecord(i + 1, blocks[i], details[i]));
    }
    return files;
}

void WriteFile(vantrel::RecordWriter& writer, const std::vector<vantrel::DecodedRecord>& records,
               const std::string& name) {
    writer.BeginFile(name);
    vantrel::RecordStats stats;
    for (const vantrel::DecodedRecord& record : records) {
        stats.Add(record);
        writer.Write(record);
    }
    writer.EndFile(stats);
}

struct FormatCase {
    const char* name;
    vantrel::RecordFormat format;
};

void PrintTo(const FormatCase& c, std::ostream* out) {
    *out << c.name;
}

class JoinedPerFile : public testing::TestWithParam<FormatCase> {};

// What a parallel run does: the run's writer opens and closes the document, each file is
// written by a writer of its own, and the pieces are joined with PerFileJoint.
TEST_P(JoinedPerFile, GivesTheOneWritersDocument) {
    const vantrel::RecordFormat format = GetParam().format;
    ASSERT_TRUE(vantrel::JoinsPerFile(format));
    const auto files = TwoFiles();
    const std::vector<std::string> names = {"a.txt", "b.txt"};

    vantrel::RecordOutput one(format);
    one.writer().BeginRun();
    for (std::size_t i = 0; i < files.size(); ++i)
        WriteFile(one.writer(), files[i], names[i]);
    one.writer().EndRun({});

    vantrel::RecordOutput run(format);
    run.writer().BeginRun();
    std::string joined = run.Take();
    for (std::size_t i = 0; i < files.size(); ++i) {
        vantrel::RecordOutput own(format);
        WriteFile(own.writer(), files[i], names[i]);
        if (i > 0)
            joined += vantrel::PerFileJoint(format);
        joined += own.Take();
    }
    run.writer().EndRun({});
    joined += run.Take();

    EXPECT_EQ(joined, one.Take());
}

INSTANTIATE_TEST_SUITE_P(Formats, JoinedPerFile,
                         testing::Values(FormatCase{"Json", vantrel::RecordFormat::Json},
                                         FormatCase{"JsonLines", vantrel::RecordFormat::JsonLines},
                                         FormatCase{"Csv", vantrel::RecordFormat::Csv}),
                         [](const testing::TestParamInfo<FormatCase>& info) {
                             return std::string(info.param.name);
                         });

// The formats that gather the whole run into one document cannot be joined from pieces.
TEST(JoinedPerFile, NotTheFormatsThatGatherTheRun) {
    for (const auto format :
         {vantrel::RecordFormat::Gpx, vantrel::RecordFormat::Kml, vantrel::RecordFormat::GeoJson})
        EXPECT_FALSE(vantrel::JoinsPerFile(format)) << static_cast<int>(format);
}

// The first file's records with `log` and `channelHz`, as a run of one file that announces
// channels: written whole (`piece` 0), or with the log in pieces of `piece` bytes.
std::string Written(vantrel::RecordFormat format, const std::string& log, std::size_t piece,
                    std::optional<std::uint64_t> channelHz = std::nullopt) {
    vantrel::RecordOutput out(format, vantrel::SpreadsheetCells::Guarded, true);
    out.writer().BeginRun();
    out.writer().BeginFile("a.txt");
    const auto files = TwoFiles();
    for (vantrel::DecodedRecord record : files[0]) {
        record.source.channelHz = channelHz;
        record.info.Log = mod::SharedText(std::string(piece == 0 ? log : ""));
        if (piece == 0) {
            out.writer().Write(record);
            continue;
        }
        out.writer().BeginRecord(record);
        for (std::size_t at = 0; at < log.size(); at += piece)
            out.writer().AppendLog(std::string_view(log).substr(at, piece));
        out.writer().EndRecord();
    }
    out.writer().EndFile({});
    out.writer().EndRun({});
    return out.Take();
}

class AnyFormat : public testing::TestWithParam<FormatCase> {};

// A log with every kind of character JSON escapes, Latin-1 letters and a CR LF: the escaping
// works byte by byte, and only the writer knows where the log stands in its text.
TEST_P(AnyFormat, RecordWithItsLogInPiecesIsTheRecordWrittenWhole) {
    const vantrel::RecordFormat format = GetParam().format;
    const std::string log = std::string("head \"quoted\" back\\slash \t\x01\x1f caf\xe9 ") +
                            std::string(1, '\x7f') + "\r\n";
    const std::string whole = Written(format, log, 0);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, log.size()})
        EXPECT_EQ(Written(format, log, piece), whole) << "pieces of " << piece;
}

TEST_P(AnyFormat, WritesTheChannelOfARecordThatHasOne) {
    EXPECT_NE(Written(GetParam().format, "", 0, 446'006'250).find("446006250"), std::string::npos);
    EXPECT_EQ(Written(GetParam().format, "", 0).find("446006250"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Formats, AnyFormat,
                         testing::Values(FormatCase{"Json", vantrel::RecordFormat::Json},
                                         FormatCase{"JsonLines", vantrel::RecordFormat::JsonLines},
                                         FormatCase{"Csv", vantrel::RecordFormat::Csv},
                                         FormatCase{"Gpx", vantrel::RecordFormat::Gpx},
                                         FormatCase{"Kml", vantrel::RecordFormat::Kml},
                                         FormatCase{"GeoJson", vantrel::RecordFormat::GeoJson},
                                         FormatCase{"Html", vantrel::RecordFormat::Html}),
                         [](const testing::TestParamInfo<FormatCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
