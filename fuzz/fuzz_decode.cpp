// Any bytes as a bit string: the decode must finish, stay deterministic, and give reports of
// the fixed form at both levels. The same bytes as a file, read and decoded in pieces, must
// give the whole-file report byte for byte. The polarity's content score takes any text.
#include "bit_file.h"
#include "modETSI300230.h"
#include "plain_decode.h"
#include "record_stream.h"
#include "report.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzz::Require;

void CheckReport(const std::string& report, std::int32_t count, vantrel::ReportLevel level) {
    const std::string header = "Blocks Found:" + std::to_string(count) + "\r\n";
    Require(report.compare(0, header.size(), header) == 0);
    std::size_t at = header.size();
    for (std::int32_t n = 1; n <= count; ++n) {
        const std::string section = "\r\nBlock #" + std::to_string(n) + "\r\n";
        at = report.find(section, at);
        Require(at != std::string::npos);
        at += section.size();
    }
    if (level == vantrel::ReportLevel::Short && count > 0)
        Require(report.ends_with("\r\nRedundancy chk: OK\r\n") ||
                report.ends_with("\r\nRedundancy chk: ERROR\r\n"));
}

// The debug report of the streaming run, put together from its records, and the records'
// details.
std::string StreamedDebugReport(std::string_view content, std::size_t piece,
                                std::vector<modETSI300230::BlockDetail>* details = nullptr) {
    const vantrel::RawInput input = vantrel::RawInput::FromText(std::string(content));
    vantrel::StreamOptions options;
    options.pieceSize = piece;
    std::string report;
    vantrel::RecordEvents sink;
    sink.details = details != nullptr;
    sink.counted = [&](std::int64_t count, std::uint64_t) {
        report += vantrel::ReportHeaderText(count);
    };
    sink.recordStart = [&](const vantrel::StreamRecord& record) {
        report += vantrel::DebugSectionTitle(record.number);
        report += record.logHead;
        if (details != nullptr)
            details->push_back(record.detail);
    };
    sink.trailer = [&](std::string_view text) { report += text; };
    sink.recordEnd = [&](const vantrel::StreamRecord&) { report += "\r\n"; };
    vantrel::StreamWhole(input, options, sink);
    return report;
}

void CheckStreamingEqualsWholeFile(std::string_view content) {
    std::vector<modETSI300230::BlockInfo> blocks;
    std::vector<modETSI300230::BlockDetail> expectedDetails;
    std::int32_t count = -1;
    modETSI300230::DecodeStream(vantrel::RemoveLineFeeds(vantrel::JoinFields(content)), blocks,
                                count, expectedDetails);
    const std::string expected = vantrel::RenderReport(blocks, count, vantrel::ReportLevel::Debug);
    // Piece sizes from the input itself, so the fuzzer explores the cuts too.
    const std::size_t piece = content.empty() ? 1 : 1 + static_cast<unsigned char>(content[0]) % 97;
    std::vector<modETSI300230::BlockDetail> details;
    Require(StreamedDebugReport(content, piece, &details) == expected);
    // The records' details, positions in the whole bit string, are the whole-file decode's.
    Require(details == expectedDetails);
    Require(StreamedDebugReport(content, 1) == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bits = fuzz::AsBits(data, size);

    const fuzz::PlainDecode plain = fuzz::DecodePlain(bits);
    const std::int32_t count = plain.count;
    Require(count >= 0 && count <= static_cast<std::int32_t>(size / 28));
    Require(count == 0 || plain.blocks.size() == static_cast<std::size_t>(count));

    for (const auto level : {vantrel::ReportLevel::Short, vantrel::ReportLevel::Debug}) {
        const std::string report = vantrel::RenderReport(plain.blocks, count, level);
        CheckReport(report, count, level);
    }

    // The same input decodes to the same records.
    const fuzz::PlainDecode again = fuzz::DecodePlain(bits);
    Require(fuzz::SameRecords(again.blocks, again.count, plain));

    CheckStreamingEqualsWholeFile(bits);

    // The automatic polarity's content score of any text: a finite count of evidence, and the
    // block log a decode under way left untouched.
    modETSI300230::BlockLog = "kept";
    const double score = modETSI300230::SignallingScore(bits);
    Require(score >= 0 && score < 1e9);
    Require(modETSI300230::BlockLog == "kept");
    return 0;
}
