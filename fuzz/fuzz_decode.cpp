// Any bytes as a bit string: the decode must finish, stay deterministic, and give reports of
// the fixed form at both levels.
#include "modETSI300230.h"
#include "report.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bits(reinterpret_cast<const char*>(data), size);

    std::vector<modETSI300230::BlockInfo> blocks;
    std::int32_t count = -1;
    modETSI300230::DecodeStream(bits, blocks, count);
    Require(count >= 0 && count <= static_cast<std::int32_t>(size / 28));
    Require(count == 0 || blocks.size() == static_cast<std::size_t>(count));

    for (const auto level : {vantrel::ReportLevel::Short, vantrel::ReportLevel::Debug}) {
        const std::string report = vantrel::RenderReport(blocks, count, level);
        CheckReport(report, count, level);
    }

    // The same input decodes to the same records.
    std::vector<modETSI300230::BlockInfo> again;
    std::int32_t againCount = -1;
    modETSI300230::DecodeStream(bits, again, againCount);
    Require(againCount == count);
    if (count > 0)
        Require(again == blocks);
    return 0;
}
