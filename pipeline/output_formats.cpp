#include "output_formats.h"

#include "html_page.h"

#include <algorithm>
#include <array>

namespace vantrel {

// output/brief_writer: one aligned line per call, for a person.
std::unique_ptr<RecordWriter> MakeBriefWriter(std::ostream& out, const WriterOptions& options);

namespace {

// A writer that has no choice to make, made as the table makes every writer.
template <std::unique_ptr<RecordWriter> (*Make)(std::ostream&)>
std::unique_ptr<RecordWriter> Plain(std::ostream& out, const WriterOptions&) {
    return Make(out);
}

std::unique_ptr<RecordWriter> Csv(std::ostream& out, const WriterOptions& options) {
    return MakeCsvWriter(out, options.cells);
}

constexpr std::string_view MapHelp = "the positions of the GPS messages, for map programs";

// The json writer puts "," before every file of its list but the first, and each file's own
// writer saw that file as its first.
constexpr std::array Formats = {
    OutputFormat{
        .name = "text", .perFileJoint = "", .follows = true, .help = "the report, the default"},
    OutputFormat{.name = "brief",
                 .writer = MakeBriefWriter,
                 .perFileJoint = "",
                 .follows = true,
                 .help =
                     "one aligned line per call, for a person: time, signal, from, to, message"},
    OutputFormat{.name = "json",
                 .writer = Plain<MakeJsonWriter>,
                 .perFileJoint = ",",
                 .carriesLog = true,
                 .statsInDocument = true,
                 .help = "one document per run: files, records, statistics"},
    OutputFormat{.name = "jsonl",
                 .writer = Plain<MakeJsonLinesWriter>,
                 .perFileJoint = "",
                 .carriesLog = true,
                 .follows = true,
                 .help = "one record a line, naming its file"},
    OutputFormat{.name = "csv", .writer = Csv, .perFileJoint = "", .help = "one row per block"},
    OutputFormat{.name = "gpx", .writer = Plain<MakeGpxWriter>, .help = MapHelp},
    OutputFormat{.name = "kml", .writer = Plain<MakeKmlWriter>, .help = MapHelp},
    OutputFormat{.name = "geojson", .writer = Plain<MakeGeoJsonWriter>, .help = MapHelp},
    OutputFormat{.name = "html",
                 .writer = MakeHtmlWriter,
                 .statsInDocument = true,
                 .followRefusal = "a page is written once, when its inputs have ended",
                 .help = "one page to open in a browser: summary, calls, units, messages, a map "
                         "of the positions, error charts; works offline"},
};

} // namespace

std::span<const OutputFormat> OutputFormats() {
    return Formats;
}

const OutputFormat* OutputFormatNamed(std::string_view name) {
    const auto found = std::ranges::find(Formats, name, &OutputFormat::name);
    return found == Formats.end() ? nullptr : &*found;
}

} // namespace vantrel
