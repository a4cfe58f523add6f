// Any bytes as a bit string, decoded with details and written in every record format of the
// table: the details change nothing of the plain decode, every JSON output parses back as
// valid UTF-8 JSON, and no position is ever out of range.
#include "modETSI300230.h"
#include "output_formats.h"
#include "plain_decode.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzz::Require;
namespace mod = modETSI300230;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bits = fuzz::AsBits(data, size);

    const fuzz::PlainDecode plain = fuzz::DecodePlain(bits);
    std::vector<mod::BlockInfo> blocks;
    std::vector<mod::BlockDetail> details;
    std::int32_t count = -1;
    mod::DecodeStream(bits, blocks, count, details);
    Require(fuzz::SameRecords(blocks, count, plain) && mod::BlockLog == plain.log);
    Require(details.size() == static_cast<std::size_t>(count));

    std::vector<vantrel::DecodedRecord> records;
    vantrel::RecordSource source;
    source.file = "fuzz \xE9.txt";
    for (std::size_t i = 0; i < details.size(); ++i) {
        records.push_back(
            vantrel::MakeRecord(static_cast<std::int64_t>(i + 1), blocks[i], details[i], source));
        const vantrel::DecodedRecord& r = records.back();
        Require(!r.detail.noPatternLeft || r.detail.headers.empty());
        if (r.nmea && r.nmea->hasPosition) {
            Require(r.nmea->checksumOk && !r.mapLink.empty());
            Require(std::fabs(r.nmea->latitude) <= 90 && std::fabs(r.nmea->longitude) <= 180);
        }
    }

    for (const vantrel::OutputFormat& format : vantrel::OutputFormats()) {
        if (format.writer == nullptr)
            continue; // the text report is no record writer
        std::ostringstream out;
        const auto writer = format.writer(out, {});
        vantrel::RecordStats stats;
        writer->BeginRun();
        writer->BeginFile("fuzz \xE9.txt");
        for (const vantrel::DecodedRecord& r : records) {
            stats.Add(r);
            writer->Write(r);
        }
        writer->EndFile(stats);
        writer->EndRun(stats);
        const std::string text = out.str();
        const std::string_view name = format.name;
        if (name == "json" || name == "geojson") {
            Require(nlohmann::json::accept(text));
        } else if (name == "html") {
            // The script data reads as JSON, and no text opened a script of its own.
            const std::string_view open = "<script type=\"application/json\" id=\"page-data\">";
            const std::size_t from = text.find(open) + open.size();
            Require(nlohmann::json::accept(text.substr(from, text.find("</script>", from) - from)));
            std::size_t scripts = 0;
            for (std::size_t at = text.find("<script"); at != std::string::npos;
                 at = text.find("<script", at + 1))
                ++scripts;
            Require(scripts == 4);
        } else if (name == "jsonl") {
            std::istringstream lines(text);
            std::string line;
            std::size_t n = 0;
            while (std::getline(lines, line)) {
                Require(nlohmann::json::accept(line));
                ++n;
            }
            Require(n == records.size());
        }
    }
    return 0;
}
