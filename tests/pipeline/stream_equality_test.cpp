// The streaming run against the whole-file reference: the same bytes at both levels and in
// JSON, for every sample, every bench stream kind, hostile inputs and files in every shape,
// whatever the sizes of the pieces.
#include "bit_file.h"
#include "modETSI300230.h"
#include "output_formats.h"
#include "report.h"
#include "run.h"
#include "stream_maker.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>

namespace {

using vantrel::OutputChoice;
using vantrel::ReportLevel;

const std::string Path = "input.txt";

// Records one a line, without their file places: the whole-file decode has none to give
// (the place tests below check them).
std::string WithoutPlaces(const std::string& lines) {
    std::istringstream in(lines);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        nlohmann::ordered_json record = nlohmann::ordered_json::parse(line);
        record.erase("line");
        record.erase("column");
        out += record.dump() + "\n";
    }
    return out;
}

std::string WholeFile(const std::string& content, const OutputChoice& choice) {
    struct {
        std::vector<modETSI300230::BlockInfo> Blocks;
        std::int32_t BlockCount = 0;
    } decoded;
    const std::string bits = vantrel::RemoveLineFeeds(vantrel::JoinFields(content));
    if (!choice.records) {
        modETSI300230::DecodeStream(bits, decoded.Blocks, decoded.BlockCount);
        return vantrel::RenderReport(decoded.Blocks, decoded.BlockCount, choice.level);
    }
    std::vector<modETSI300230::BlockDetail> details;
    modETSI300230::DecodeStream(bits, decoded.Blocks, decoded.BlockCount, details);
    std::ostringstream out;
    const auto writer = choice.records->writer(out, {});
    for (std::size_t i = 0; i < details.size(); ++i) {
        vantrel::RecordSource source;
        source.file = Path;
        writer->Write(vantrel::MakeRecord(static_cast<std::int64_t>(i + 1), decoded.Blocks[i],
                                          details[i], source));
    }
    return WithoutPlaces(out.str());
}

std::string Streamed(const std::string& content, const OutputChoice& choice,
                     std::function<std::size_t()> pieces) {
    vantrel::Recording input;
    input.bits.emplace(vantrel::RawInput::FromText(content));
    vantrel::StreamOptions options;
    options.pieceSizes = std::move(pieces);
    std::string out;
    vantrel::OutputTarget target;
    target.write = [&](std::string_view text) { out.append(text); };
    if (!choice.records) {
        vantrel::RunWhole(input, Path, choice, options, target, nullptr);
        return out;
    }
    vantrel::RecordOutput records(choice.records->writer);
    vantrel::RunWhole(input, Path, choice, options, target, &records);
    return WithoutPlaces(out);
}

const OutputChoice Choices[] = {{nullptr, ReportLevel::Short},
                                {nullptr, ReportLevel::Debug},
                                {vantrel::OutputFormatNamed("jsonl"), ReportLevel::Short}};

// Whole, one byte at a time (small inputs only) and random sizes.
void ExpectSameEverywhere(const std::string& name, const std::string& content) {
    std::mt19937 random(static_cast<unsigned>(content.size()));
    std::uniform_int_distribution<std::size_t> size(1, 3000);
    for (const OutputChoice& choice : Choices) {
        const std::string expected = WholeFile(content, choice);
        const std::string what = name + " records " + std::to_string(choice.records != nullptr) +
                                 " level " + std::to_string(int(choice.level));
        EXPECT_EQ(Streamed(content, choice, [] { return std::size_t{1} << 20; }), expected)
            << what << ", whole";
        EXPECT_EQ(Streamed(content, choice, [&] { return size(random); }), expected)
            << what << ", random pieces";
        if (content.size() <= 20000) {
            EXPECT_EQ(Streamed(content, choice, [] { return std::size_t{1}; }), expected)
                << what << ", one byte pieces";
        }
    }
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A bit string laid out as a file: lines of `width` characters with an end of line, or
// fields between commas and blanks, or quoted fields.
std::string Shaped(std::string_view bits, std::string_view shape) {
    std::string out;
    for (std::size_t at = 0; at < bits.size(); at += 61) {
        const std::string_view field = bits.substr(at, 61);
        if (shape == "crlf")
            out.append(field).append("\r\n");
        else if (shape == "cr")
            out.append(field).append("\r");
        else if (shape == "commas")
            out.append(" \t").append(field).append("  ,");
        else if (shape == "quoted")
            out.append("\"").append(field).append("\n\",");
        else
            out.append(field).append("\n");
    }
    return out;
}

TEST(StreamEquality, Samples) {
    std::string all;
    for (const auto& entry : std::filesystem::directory_iterator(VANTREL_SAMPLES)) {
        const std::string content = ReadFile(entry.path());
        all += content;
        ExpectSameEverywhere(entry.path().filename().string(), content);
    }
    // The samples one after the other: SyncFec blocks before later SyncNoFec ones.
    ExpectSameEverywhere("all samples", all);
}

// Inputs the fuzzer once found to differ.
TEST(StreamEquality, FuzzRegressions) {
    for (const auto& entry : std::filesystem::directory_iterator(VANTREL_STREAM_DATA))
        ExpectSameEverywhere(entry.path().filename().string(), ReadFile(entry.path()));
}

TEST(StreamEquality, BenchStreamKinds) {
    for (const auto kind : {streams::Kind::Realistic, streams::Kind::FecOnly, streams::Kind::Packed,
                            streams::Kind::LongNoise, streams::Kind::Undecodable}) {
        streams::Options options;
        options.kind = kind;
        options.bits = 12000;
        options.pairs = 6;
        const std::string bits = streams::GenerateBits(options);
        for (const char* shape : {"lf", "crlf", "cr", "commas", "quoted"})
            ExpectSameEverywhere(std::string(streams::KindName(kind)) + " " + shape,
                                 Shaped(bits, shape));
    }
}

// A run whose output shows no log makes none, and its records are those of a run with logs.
TEST(StreamEquality, RunWithoutLogsGivesTheSameRecordsAndNoLogHeads) {
    streams::Options options;
    options.kind = streams::Kind::Packed;
    options.bits = 40000;
    const vantrel::RawInput input =
        vantrel::RawInput::FromText(Shaped(streams::GenerateBits(options), "crlf"));
    std::vector<vantrel::StreamRecord> records[2];
    for (const bool logs : {true, false}) {
        vantrel::RecordEvents events;
        events.trailers = logs;
        events.details = true;
        events.recordStart = [&](const vantrel::StreamRecord& r) { records[logs].push_back(r); };
        vantrel::StreamWhole(input, {}, events);
    }
    ASSERT_GT(records[true].size(), 50U);
    ASSERT_EQ(records[false].size(), records[true].size());
    for (std::size_t i = 0; i < records[true].size(); ++i) {
        const vantrel::StreamRecord& with = records[true][i];
        const vantrel::StreamRecord& without = records[false][i];
        EXPECT_FALSE(with.logHead.empty()) << i;
        EXPECT_TRUE(without.logHead.empty()) << i;
        EXPECT_EQ(without.info, with.info) << i;
        EXPECT_EQ(without.detail, with.detail) << i;
        EXPECT_EQ(without.syncBit, with.syncBit) << i;
    }
}

TEST(StreamEquality, LargeRealisticStreamInBigPieces) {
    streams::Options options;
    options.bits = 3'000'000;
    const std::string content = Shaped(streams::GenerateBits(options), "crlf");
    for (const OutputChoice& choice : Choices)
        EXPECT_EQ(Streamed(content, choice, [] { return std::size_t{65536}; }),
                  WholeFile(content, choice));
}

TEST(StreamEquality, HostileInputs) {
    streams::Options options;
    options.kind = streams::Kind::Packed;
    options.bits = 3000;
    const std::string blocks = streams::GenerateBits(options);
    std::string allBytes;
    for (int i = 0; i < 512; ++i)
        allBytes.push_back(static_cast<char>(i & 0xFF));
    std::mt19937 random(7);
    std::string noise;
    for (int i = 0; i < 20000; ++i)
        noise.push_back(static_cast<char>("01\"\r\n, \t0101x"[random() % 14]));
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"only delimiters", ",,\r\n\n\r, \t"},
        {"all byte values", allBytes},
        {"NUL around blocks", std::string(3, '\0') + blocks + std::string("\0\r\n\0", 4)},
        {"unclosed quote", "0101\"" + blocks.substr(0, 1500) + "\r\n" + blocks.substr(1500)},
        {"quote inside a field", "01\"10" + blocks + "\"x"},
        {"blanks inside fields", blocks.substr(0, 700) + "  \t" + blocks.substr(700) + " \t"},
        {"noise of delimiters and quotes", noise + blocks + noise},
        {"blocks only", blocks},
    };
    for (const auto& [name, content] : cases)
        ExpectSameEverywhere(name, content);
}

struct PlaceCase {
    const char* name;
    std::string content;
    std::uint64_t line;
    std::uint64_t column;
};

// The content, not the bytes of the object: a test's name then reads the same in every build.
void PrintTo(const PlaceCase& c, std::ostream* out) {
    *out << testing::PrintToString(c.content);
}

class PlaceOfSync : public testing::TestWithParam<PlaceCase> {};

// The line and column of a record's pattern point at the pattern in the file, a CR LF split
// between pieces counting as one line end.
TEST_P(PlaceOfSync, PointsAtThePatternInTheFile) {
    const PlaceCase& c = GetParam();
    for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{1} << 16}) {
        const vantrel::RawInput input = vantrel::RawInput::FromText(c.content);
        vantrel::StreamOptions options;
        options.pieceSize = piece;
        std::vector<vantrel::FilePlace> places;
        vantrel::RecordEvents sink;
        sink.recordStart = [&](const vantrel::StreamRecord& r) {
            if (!r.noPattern)
                places.push_back(r.place);
        };
        vantrel::StreamWhole(input, options, sink);
        ASSERT_EQ(places.size(), 1U) << c.name;
        EXPECT_EQ(places[0].line, c.line) << c.name << " piece " << piece;
        EXPECT_EQ(places[0].column, c.column) << c.name << " piece " << piece;
    }
}

const std::string Sync(modETSI300230::SyncNoFec);
const std::string Header(64, '0');

INSTANTIATE_TEST_SUITE_P(
    Shapes, PlaceOfSync,
    testing::Values(PlaceCase{"LF", "0101\n11" + Sync + Header + "\n", 2, 3},
                    PlaceCase{"CRLF", "0101\r\n\r\n11" + Sync + Header, 3, 3},
                    PlaceCase{"CR", "01\r0\r" + Sync + Header, 3, 1},
                    PlaceCase{"commas", "0101, 1 ," + Sync + "," + Header, 1, 10},
                    PlaceCase{"quoted line end", "\"01\n0" + Sync + "\"" + Header, 2, 2},
                    PlaceCase{"split by a line end",
                              "00" + Sync.substr(0, 5) + "\r\n" + Sync.substr(5) + Header, 1, 3}),
    [](const testing::TestParamInfo<PlaceCase>& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

} // namespace
