#include "record_writer.h"

namespace vantrel {

std::optional<RecordFormat> RecordFormatByName(std::string_view name) {
    if (name == "json")
        return RecordFormat::Json;
    if (name == "jsonl")
        return RecordFormat::JsonLines;
    if (name == "csv")
        return RecordFormat::Csv;
    if (name == "gpx")
        return RecordFormat::Gpx;
    if (name == "kml")
        return RecordFormat::Kml;
    if (name == "geojson")
        return RecordFormat::GeoJson;
    return std::nullopt;
}

std::unique_ptr<RecordWriter> MakeRecordWriter(RecordFormat format, std::ostream& out,
                                               SpreadsheetCells cells) {
    switch (format) {
    case RecordFormat::Json:
        return MakeJsonWriter(out);
    case RecordFormat::JsonLines:
        return MakeJsonLinesWriter(out);
    case RecordFormat::Csv:
        return MakeCsvWriter(out, cells);
    case RecordFormat::Gpx:
        return MakeGpxWriter(out);
    case RecordFormat::Kml:
        return MakeKmlWriter(out);
    case RecordFormat::GeoJson:
        return MakeGeoJsonWriter(out);
    }
    return MakeJsonLinesWriter(out);
}

bool JoinsPerFile(RecordFormat format) {
    return format == RecordFormat::Json || format == RecordFormat::JsonLines ||
           format == RecordFormat::Csv;
}

std::string_view PerFileJoint(RecordFormat format) {
    return format == RecordFormat::Json ? "," : "";
}

bool CarriesLog(RecordFormat format) {
    return format == RecordFormat::Json || format == RecordFormat::JsonLines;
}

bool StatsInDocument(RecordFormat format) {
    return format == RecordFormat::Json;
}

} // namespace vantrel
