// How a block heard over sound shows in each record format: level and Eb/N0 to a tenth of a
// decibel wherever they appear, and a GPX point with the altitude of its GGA sentence and the
// time it was heard, elevation before time as GPX 1.1 orders them, in the waypoint and in the
// unit's track. One table, one row a format; every format that has a writer is in it, so a new
// one must say what it shows.
#include "encoder.h"
#include "output_formats.h"
#include "record_json.h"
#include "record_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace {

namespace mod = modETSI300230;

// Two fixes of one unit, heard over sound with a level and an Eb/N0 no meter shows as they are.
std::vector<vantrel::DecodedRecord> HeardFixes(double levelDbfs) {
    const encoder::Header unit = {encoder::ShortData, 10, 1, 0x235, 0x567};
    const std::string bits =
        encoder::ShortDataBlock(
            unit, encoder::NmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,"
                                        "46.9,M,,")) +
        encoder::ShortDataBlock(
            unit, encoder::NmeaSentence("GPGGA,123619,4808.038,N,01132.000,E,1,08,0.9,-12,M,"
                                        "46.9,M,,"));
    std::vector<mod::BlockInfo> blocks;
    std::vector<mod::BlockDetail> details;
    std::int32_t count = 0;
    mod::DecodeStream(bits, blocks, count, details);
    std::vector<vantrel::DecodedRecord> records;
    for (std::int32_t i = 0; i < count; ++i) {
        vantrel::RecordSource source;
        source.file = "calls.wav";
        source.heard =
            vantrel::HeardInfo{12.345 + i, levelDbfs, 11.25,
                               i == 0 ? "2026-12-07T21:00:12.345Z" : "2026-12-07T21:00:13.345Z"};
        records.push_back(vantrel::MakeRecord(i + 1, blocks[i], details[i], source));
    }
    return records;
}

std::string Written(const vantrel::OutputFormat& format, double levelDbfs) {
    vantrel::RecordOutput out(format.writer);
    out.writer().BeginRun();
    out.writer().BeginFile("calls.wav");
    vantrel::RecordStats stats;
    for (const vantrel::DecodedRecord& record : HeardFixes(levelDbfs)) {
        stats.Add(record);
        out.writer().Write(record);
    }
    out.writer().EndFile(stats);
    out.writer().EndRun(stats);
    return out.Take();
}

struct Case {
    const char* format;
    std::vector<std::string> shown; // every one of these is in the text
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.format;
}

const std::string Gpx1 = "<ele>545.4</ele><time>2026-12-07T21:00:12.345Z</time><name>";
const std::string Gpx2 = "<ele>-12</ele><time>2026-12-07T21:00:13.345Z</time><name>";
const std::string Trk = "\"><ele>545.4</ele><time>2026-12-07T21:00:12.345Z</time></trkpt>\n"
                        "<trkpt lat=\"48.13397\" lon=\"11.53333\"><ele>-12</ele>"
                        "<time>2026-12-07T21:00:13.345Z</time></trkpt>";

const Case Cases[] = {
    {"json", {"\"levelDbfs\":-20.3,\"ebN0Db\":11.3,"}},
    {"jsonl", {"\"levelDbfs\":-20.3,\"ebN0Db\":11.3,"}},
    {"csv", {",-20.3,11.3,2026-12-07T21:00:12.345Z"}},
    {"geojson", {"\"levelDbfs\":-20.3,\"ebN0Db\":11.3,"}},
    {"gpx", {Gpx1, Gpx2, Trk}},
    {"kml", {"<when>2026-12-07T21:00:12.345Z</when>"}},
    {"html", {"calls.wav"}},
};

class HeardInFormats : public testing::TestWithParam<Case> {};

TEST_P(HeardInFormats, ShowsWhatWasHeardAsAPersonReadsIt) {
    const vantrel::OutputFormat* format = vantrel::OutputFormatNamed(GetParam().format);
    ASSERT_NE(format, nullptr);
    const std::string text = Written(*format, -20.26);
    for (const std::string& shown : GetParam().shown)
        EXPECT_NE(text.find(shown), std::string::npos) << shown << "\nin\n" << text;
    // Not the value as measured, in any form a number may take.
    EXPECT_EQ(text.find("20.26"), std::string::npos) << text;
    EXPECT_EQ(text.find("11.25"), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(EveryRecordFormat, HeardInFormats, testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.format); });

TEST(HeardInFormats, EveryRecordFormatHasARow) {
    for (const vantrel::OutputFormat& format : vantrel::OutputFormats()) {
        if (format.writer == nullptr)
            continue;
        const bool listed =
            std::ranges::any_of(Cases, [&](const Case& c) { return c.format == format.name; });
        EXPECT_TRUE(listed) << format.name;
    }
}

// The record as the tree reference renders it, which the direct writer is checked against.
TEST(HeardInFormats, TheReferenceRoundsAsTheWriterDoes) {
    const auto json = vantrel::RecordJson(HeardFixes(-20.26).front());
    EXPECT_EQ(json["heard"]["levelDbfs"], -20.3);
    EXPECT_EQ(json["heard"]["ebN0Db"], 11.3);
}

// A level no meter gives (a hand-made mark) has no tenths to count in: shown as it is, not as
// the garbage a tenth count beyond its range would give.
TEST(HeardInFormats, AValueBeyondAnyMeterIsShownAsItIs) {
    const std::string text = Written(*vantrel::OutputFormatNamed("jsonl"), -1e300);
    EXPECT_NE(text.find("\"levelDbfs\":-1e+300,"), std::string::npos) << text;
}

} // namespace
