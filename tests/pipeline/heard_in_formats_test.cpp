// How a block heard over sound shows in each record format: level and Eb/N0 to a tenth of a
// decibel wherever they appear, and a GPX point with the altitude of its GGA sentence and its
// time, elevation before time as GPX 1.1 orders them, in the waypoint and in the unit's track.
// One row a format, and every format with a writer must have one.
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

// Two GGA fixes of one unit, heard with a level and an Eb/N0 no meter shows as they are.
std::string Written(std::string_view format, double levelDbfs,
                    vantrel::DecodedRecord* first = nullptr) {
    const encoder::Header unit = {encoder::ShortData, 10, 1, 0x235, 0x567};
    const std::string bits =
        encoder::ShortDataBlock(unit, encoder::NmeaSentence("GPGGA,123519,4807.038,N,01131.000,"
                                                            "E,1,08,0.9,545.4,M,46.9,M,,")) +
        encoder::ShortDataBlock(unit, encoder::NmeaSentence("GPGGA,123619,4808.038,N,01132.000,"
                                                            "E,1,08,0.9,-12,M,46.9,M,,"));
    std::vector<modETSI300230::BlockInfo> blocks;
    std::vector<modETSI300230::BlockDetail> details;
    std::int32_t count = 0;
    modETSI300230::DecodeStream(bits, blocks, count, details);
    vantrel::RecordOutput out(vantrel::OutputFormatNamed(format)->writer);
    out.writer().BeginRun();
    out.writer().BeginFile("calls.wav");
    for (std::int32_t i = 0; i < count; ++i) {
        vantrel::RecordSource source;
        source.heard = vantrel::HeardInfo{12.345 + i, levelDbfs, 11.25,
                                          "2026-12-07T21:00:1" + std::to_string(2 + i) + ".345Z"};
        const auto record = vantrel::MakeRecord(i + 1, blocks[i], details[i], source);
        if (first != nullptr && i == 0)
            *first = record;
        out.writer().Write(record);
    }
    out.writer().EndFile({});
    out.writer().EndRun({});
    return out.Take();
}

struct Case {
    const char* format;
    std::vector<std::string> shown; // every one of these is in the text
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.format;
}

const std::string Rounded = "\"levelDbfs\":-20.3,\"ebN0Db\":11.3,";
const Case Cases[] = {
    {"json", {Rounded}},
    {"jsonl", {Rounded}},
    {"csv", {",-20.3,11.3,2026-12-07T21:00:12.345Z"}},
    {"geojson", {Rounded}},
    {"gpx",
     {"\"><ele>545.4</ele><time>2026-12-07T21:00:12.345Z</time><name>",
      "\"><ele>-12</ele><time>2026-12-07T21:00:13.345Z</time><name>",
      "\"><ele>545.4</ele><time>2026-12-07T21:00:12.345Z</time></trkpt>\n<trkpt lat=\"48.13397\" "
      "lon=\"11.53333\"><ele>-12</ele><time>2026-12-07T21:00:13.345Z</time></trkpt>"}},
    {"kml", {"<when>2026-12-07T21:00:12.345Z</when>"}},
    {"brief", {"-20.3 dBFS   11.3 dB"}},
    {"html", {}},
};

class HeardInFormats : public testing::TestWithParam<Case> {};

TEST_P(HeardInFormats, ShowsWhatWasHeardAsAPersonReadsIt) {
    const std::string text = Written(GetParam().format, -20.26);
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
        const bool listed =
            std::ranges::any_of(Cases, [&](const Case& c) { return c.format == format.name; });
        EXPECT_TRUE(listed || format.writer == nullptr) << format.name;
    }
}

// The tree the direct writer is checked against rounds as the writer does; a level no meter
// gives (a hand-made mark) has no tenths to count in and is shown as it is.
TEST(HeardInFormats, TheReferenceAndValuesBeyondAnyMeter) {
    vantrel::DecodedRecord record;
    Written("jsonl", -20.26, &record);
    EXPECT_EQ(vantrel::RecordJson(record)["heard"]["levelDbfs"], -20.3);
    EXPECT_EQ(vantrel::RecordJson(record)["heard"]["ebN0Db"], 11.3);
    EXPECT_NE(Written("jsonl", -1e300).find("\"levelDbfs\":-1e+300,"), std::string::npos);
}

} // namespace
