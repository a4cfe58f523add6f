// The records as the json, jsonl and csv writers write them straight as text, against the
// same records rendered the way they were before: through the JSON library's tree
// (RecordJson, StatsJson) and through the flat values one cell at a time. Every bench stream
// kind, and records made up to hold every byte value and awkward numbers.
#include "json_text.h"
#include "latin1.h"
#include "output_text.h"
#include "record_fields.h"
#include "record_json.h"
#include "record_json_text.h"
#include "record_writer.h"
#include "spreadsheet_cell.h"
#include "stream_maker.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace mod = modETSI300230;
using vantrel::DecodedRecord;

std::string AllBytes() {
    std::string text;
    for (int c = 0; c < 256; ++c)
        text.push_back(static_cast<char>(c));
    return text;
}

// The records of a small stream of `kind`, with a source that fills every optional member
// (the places, the time, how the block sounded) on every other record.
std::vector<DecodedRecord> StreamRecords(streams::Kind kind) {
    streams::Options options;
    options.kind = kind;
    options.bits = 20000;
    options.pairs = 4;
    std::vector<mod::BlockInfo> blocks;
    std::vector<mod::BlockDetail> details;
    std::int32_t count = 0;
    mod::DecodeStream(streams::GenerateBits(options), blocks, count, details);
    std::vector<DecodedRecord> records;
    for (std::size_t i = 0; i < details.size(); ++i) {
        vantrel::RecordSource source;
        if (i % 2 == 1) {
            source.file = "dir/\xE9t\xE9 \"1\".txt"; // not UTF-8: read as Latin-1
            source.channelHz = 446'006'250 + i;
            source.line = i * 7;
            source.column = 3;
            source.finalAt = "2026-12-07T21:00:00.123Z";
            source.heard = vantrel::HeardInfo{0.001 * static_cast<double>(i), -12.5, 1e21,
                                              i % 2 == 0 ? "" : "2026-12-07T21:00:00.250Z"};
        } else {
            source.file = "caf\xC3\xA9.txt"; // UTF-8
        }
        records.push_back(
            vantrel::MakeRecord(static_cast<std::int64_t>(i + 1), blocks[i], details[i], source));
    }
    return records;
}

std::string DirectJson(const DecodedRecord& record) {
    std::string text;
    AppendRecordJson(text, record);
    return text;
}

// The row as the writer made it before: the values copied out, then one cell each.
std::string ReferenceRow(const DecodedRecord& record) {
    std::string row;
    const std::vector<vantrel::FieldValue> values = vantrel::FlatFieldValues(record);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i != 0)
            row += ',';
        if (const auto* text = std::get_if<std::string>(&values[i]))
            row += vantrel::CsvField(
                vantrel::SpreadsheetText(*text, vantrel::SpreadsheetCells::Guarded));
        else if (const auto* whole = std::get_if<std::int64_t>(&values[i]))
            row += std::to_string(*whole);
        else if (const auto* real = std::get_if<double>(&values[i]))
            row += vantrel::NumberText(*real);
        else if (const auto* truth = std::get_if<bool>(&values[i]))
            row += *truth ? "true" : "false";
    }
    return row + "\r\n";
}

std::string WrittenRows(const std::vector<DecodedRecord>& records) {
    std::ostringstream out;
    const auto writer = vantrel::MakeCsvWriter(out);
    writer->ExpectChannels();
    for (const DecodedRecord& record : records)
        writer->Write(record);
    return out.str();
}

void ExpectSameAsBefore(const std::vector<DecodedRecord>& records, const std::string& what) {
    vantrel::RecordStats stats;
    std::string rows;
    for (const DecodedRecord& record : records) {
        EXPECT_EQ(DirectJson(record), vantrel::RecordJson(record).dump())
            << what << ", record " << record.number;
        stats.Add(record);
        rows += ReferenceRow(record);
    }
    std::string statsText;
    vantrel::AppendStatsJson(statsText, stats);
    EXPECT_EQ(statsText, vantrel::StatsJson(stats).dump()) << what << ", statistics";
    EXPECT_EQ(WrittenRows(records), rows) << what << ", csv";
}

TEST(RecordText, SameAsBeforeOnEveryBenchStreamKind) {
    for (const auto kind :
         {streams::Kind::Realistic, streams::Kind::Dense, streams::Kind::FecOnly,
          streams::Kind::Packed, streams::Kind::LongNoise, streams::Kind::Undecodable}) {
        const std::vector<DecodedRecord> records = StreamRecords(kind);
        EXPECT_FALSE(records.empty()) << streams::KindName(kind);
        ExpectSameAsBefore(records, std::string(streams::KindName(kind)));
    }
}

// Texts that hold every byte value, blanks at the ends, and the numbers whose text differs
// between ways of writing them (exponents, whole reals, the smallest and largest, no number).
TEST(RecordText, SameAsBeforeForAwkwardTextsAndNumbers) {
    const std::vector<DecodedRecord> decoded = StreamRecords(streams::Kind::Realistic);
    ASSERT_FALSE(decoded.empty());
    const double reals[] = {0.0,
                            -0.0,
                            1.0,
                            -180.0,
                            0.1,
                            1e-7,
                            123456789012345680.0,
                            1e16,
                            1e15,
                            0.0001,
                            0.00001,
                            std::numeric_limits<double>::min(),
                            std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::denorm_min(),
                            std::numeric_limits<double>::infinity(),
                            std::nan("")};
    std::vector<DecodedRecord> records;
    for (const double real : reals) {
        DecodedRecord r = decoded.front();
        r.info.Message = " " + AllBytes() + " ";
        r.info.Func1 = AllBytes();
        r.info.FromAddr = "\"A,B\"";
        r.info.Log = mod::SharedText(AllBytes() + "\r\n");
        r.source.file = AllBytes().substr(1);
        r.source.heard = vantrel::HeardInfo{real, real, std::nullopt, {}};
        mod::NmeaReading nmea;
        nmea.sentenceType = AllBytes();
        nmea.fixTime = "12\x01";
        nmea.hasPosition = true;
        nmea.latitude = real;
        nmea.longitude = -real;
        r.nmea = nmea;
        r.mapLink = "https://example.org/?q=" + AllBytes();
        records.push_back(r);
        // The same position under a failed header: kept, but not trusted.
        for (mod::CodewordCheck& c : r.detail.codewords)
            c.failed = c.kind != mod::CodewordCheck::Kind::Data;
        records.push_back(r);
    }
    ExpectSameAsBefore(records, "awkward");
}

// A text escaped in pieces of any size gives the text escaped whole: the log of a record is
// written as its trailer arrives.
TEST(RecordText, EscapingInPiecesGivesTheWhole) {
    const std::string text = AllBytes() + std::string(40, '0') + "\"\\" + AllBytes();
    std::string whole;
    vantrel::AppendJsonLatin1(whole, text);
    for (std::size_t piece : {1, 3, 7, 8, 9, 64}) {
        std::string pieces;
        for (std::size_t at = 0; at < text.size(); at += piece)
            vantrel::AppendJsonLatin1(pieces, std::string_view(text).substr(at, piece));
        EXPECT_EQ(pieces, whole) << "pieces of " << piece;
    }
    EXPECT_EQ("\"" + whole + "\"", nlohmann::ordered_json(vantrel::Latin1ToUtf8(text)).dump());
}

} // namespace
