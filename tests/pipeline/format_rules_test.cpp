// The rules a run relies on to write records in pieces: files written by writers of their own
// and joined give the one writer's document, and a record whose log arrives in pieces gives
// the record written whole.
#include "encoder.h"
#include "output_formats.h"
#include "record_output.h"
#include "record_writer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

namespace mod = modETSI300230;

// The records of two files: a call and a GPS position in one, a text and the same unit's next
// position in the other, so that a unit's track and the list of positions span both files.
std::vector<std::vector<vantrel::DecodedRecord>> TwoFiles() {
    const encoder::Header unit = {encoder::ShortData, 10, 1, 0x235, 0x567};
    const std::vector<std::string> bits = {
        encoder::CallBlock({encoder::NormalCall, 10, 1, 0x234, 0x567}) +
            encoder::ShortDataBlock(
                unit, "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"),
        encoder::ShortDataBlock({encoder::ShortData, 12, 2, 0x111, 0x222}, "HELLO \"THERE\"") +
            encoder::ShortDataBlock(
                unit, "$GPRMC,123619,A,4808.038,N,01132.000,E,022.4,084.4,230394,003.1,W*65")};
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

// The formats that have a writer, by name.
std::vector<std::string> RecordFormatNames() {
    std::vector<std::string> names;
    for (const vantrel::OutputFormat& format : vantrel::OutputFormats())
        if (format.writer != nullptr)
            names.emplace_back(format.name);
    return names;
}

class JoinedPerFile : public testing::TestWithParam<std::string> {};

// What a parallel run does: the run's writer opens and closes the document, each file is
// written by a writer of its own, and the pieces are joined with the format's joint. The table
// lets a run do that for a format only where it gives the one writer's document; a format
// that gathers the run (a track per unit, one feature list, one page) cannot be joined so.
TEST_P(JoinedPerFile, GivesTheOneWritersDocumentWhereTheTableSaysSo) {
    const vantrel::OutputFormat& format = *vantrel::OutputFormatNamed(GetParam());
    const auto files = TwoFiles();
    const std::vector<std::string> names = {"a.txt", "b.txt"};

    vantrel::RecordOutput one(format.writer);
    one.writer().BeginRun();
    for (std::size_t i = 0; i < files.size(); ++i)
        WriteFile(one.writer(), files[i], names[i]);
    one.writer().EndRun({});

    vantrel::RecordOutput run(format.writer);
    run.writer().BeginRun();
    std::string joined = run.Take();
    for (std::size_t i = 0; i < files.size(); ++i) {
        vantrel::RecordOutput own(format.writer);
        WriteFile(own.writer(), files[i], names[i]);
        if (i > 0)
            joined += format.perFileJoint.value_or("");
        joined += own.Take();
    }
    run.writer().EndRun({});
    joined += run.Take();

    EXPECT_EQ(joined == one.Take(), format.perFileJoint.has_value());
}

INSTANTIATE_TEST_SUITE_P(EveryRecordFormat, JoinedPerFile, testing::ValuesIn(RecordFormatNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });

// The first file's records with `log` and `channelHz`, as a run of one file that announces
// channels: written whole (`piece` 0), or with the log in pieces of `piece` bytes.
std::string Written(const vantrel::OutputFormat& format, const std::string& log, std::size_t piece,
                    std::optional<std::uint64_t> channelHz = std::nullopt) {
    vantrel::RecordOutput out(format.writer, {}, true);
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

class AnyFormat : public testing::TestWithParam<std::string> {};

// A log with every kind of character JSON escapes, Latin-1 letters and a CR LF: the escaping
// works byte by byte, and only the writer knows where the log stands in its text.
TEST_P(AnyFormat, RecordWithItsLogInPiecesIsTheRecordWrittenWhole) {
    const vantrel::OutputFormat& format = *vantrel::OutputFormatNamed(GetParam());
    const std::string log = std::string("head \"quoted\" back\\slash \t\x01\x1f caf\xe9 ") +
                            std::string(1, '\x7f') + "\r\n";
    const std::string whole = Written(format, log, 0);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, log.size()})
        EXPECT_EQ(Written(format, log, piece), whole) << "pieces of " << piece;
}

// In Hz for a program to read, or as a person reads it (brief).
TEST_P(AnyFormat, WritesTheChannelOfARecordThatHasOne) {
    const auto shows = [](const std::string& text) {
        return text.find("446006250") != std::string::npos ||
               text.find("446.00625 MHz") != std::string::npos;
    };
    const vantrel::OutputFormat& format = *vantrel::OutputFormatNamed(GetParam());
    EXPECT_TRUE(shows(Written(format, "", 0, 446'006'250)));
    EXPECT_FALSE(shows(Written(format, "", 0)));
}

INSTANTIATE_TEST_SUITE_P(EveryRecordFormat, AnyFormat, testing::ValuesIn(RecordFormatNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });

} // namespace
