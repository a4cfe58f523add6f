// Any bytes as a bit string, decoded with details and written in every record format: the
// details change nothing of the plain decode, every JSON output parses back as valid UTF-8
// JSON, and no position is ever out of range.
#include "modETSI300230.h"
#include "record_writer.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

namespace mod = modETSI300230;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bits(reinterpret_cast<const char*>(data), size);

    std::vector<mod::BlockInfo> plain;
    std::int32_t plainCount = -1;
    mod::DecodeStream(bits, plain, plainCount);
    const std::string plainLog = mod::BlockLog;

    std::vector<mod::BlockInfo> blocks;
    std::vector<mod::BlockDetail> details;
    std::int32_t count = -1;
    mod::DecodeStream(bits, blocks, count, details);
    Require(count == plainCount && mod::BlockLog == plainLog);
    Require(details.size() == static_cast<std::size_t>(count));
    if (count > 0)
        Require(blocks == plain);

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

    for (const char* name : {"json", "jsonl", "csv", "gpx", "kml", "geojson"}) {
        std::ostringstream out;
        const auto format = vantrel::RecordFormatByName(name);
        Require(format.has_value());
        const auto writer = vantrel::MakeRecordWriter(*format, out);
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
        if (*format == vantrel::RecordFormat::Json || *format == vantrel::RecordFormat::GeoJson) {
            Require(nlohmann::json::accept(text));
        } else if (*format == vantrel::RecordFormat::JsonLines) {
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
