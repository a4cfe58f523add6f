#include "decode_options.h"

#include <CLI/CLI.hpp>

#include <span>
#include <vector>

#include "output_formats.h"
#include "program_options.h"
#include "start_time.h"
#include "tool_output.h"

namespace vantrel::decode {

namespace {

bool Follows(const OutputFormat& format) {
    return format.follows;
}

bool GathersTheRun(const OutputFormat& format) {
    return !format.perFileJoint;
}

// The names of the formats that `keep` keeps (all without it), "a, b or c": `between` apart,
// `last` before the last.
std::string Names(std::span<const OutputFormat> formats, bool (*keep)(const OutputFormat&),
                  std::string_view between, std::string_view last) {
    std::vector<std::string_view> names;
    for (const OutputFormat& format : formats)
        if (keep == nullptr || keep(format))
            names.push_back(format.name);
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? last : between;
        text += names[i];
    }
    return text;
}

// "Output: text (...); or records (docs/records.md): json (...), ...": neighbours that share
// their line of help are named together.
std::string FormatHelp() {
    const std::span<const OutputFormat> formats = OutputFormats();
    std::string report;
    std::string records;
    for (std::size_t from = 0; from < formats.size();) {
        const OutputFormat& first = formats[from];
        std::size_t to = from + 1;
        while (to < formats.size() && formats[to].help == first.help &&
               (formats[to].writer == nullptr) == (first.writer == nullptr))
            ++to;
        std::string& part = first.writer == nullptr ? report : records;
        if (!part.empty())
            part += ", ";
        part += Names(formats.subspan(from, to - from), nullptr, ", ", " or ") + " (" +
                std::string(first.help) + ")";
        from = to;
    }
    return "Output: " + report + "; or records (docs/records.md): " + records;
}

// The usage, FollowFormats standing for the formats --follow writes.
constexpr std::string_view FollowFormats = "FOLLOW_FORMATS";
constexpr std::string_view UsageText =
    "Usage: vantrel-decode [--level short|debug] [--format FORMAT] [--stats] [-j N] [-r]\r\n"
    "                      [--save [--output-dir DIR]] [--invert auto|yes|no]\r\n"
    "                      [--order file|arrival] [--start-time TIME|mtime] [--channel N]\r\n"
    "                      [--raw --rate R] FILE...\r\n"
    "       vantrel-decode --follow [--level short|debug] [--format FOLLOW_FORMATS]\r\n"
    "                      [--raw --rate R] [--invert auto|yes|no] [FILE|-]\r\n"
    "       vantrel-decode [--follow] --device NAME [--rate R] [--format FOLLOW_FORMATS]\r\n"
    "Run with --help for more information.\r\n";

std::vector<std::string> FormatNames() {
    std::vector<std::string> names;
    for (const OutputFormat& format : OutputFormats())
        names.emplace_back(format.name);
    return names;
}

} // namespace

std::string Usage() {
    const std::string follow = Names(OutputFormats(), Follows, "|", "|");
    std::string usage(UsageText);
    for (std::size_t at = usage.find(FollowFormats); at != std::string::npos;
         at = usage.find(FollowFormats, at + follow.size()))
        usage.replace(at, FollowFormats.size(), follow);
    return usage;
}

std::string FormatList() {
    std::string list;
    for (const OutputFormat& format : OutputFormats()) {
        list.append(format.name)
            .append(format.follows ? "\tfollow" : "\tno-follow")
            .append(format.perFileJoint ? "\tper-file\t" : "\twhole-run\t")
            .append(format.help)
            .append(tool::LineEnd);
    }
    return list;
}

void AddOptions(CLI::App& app, Options& options) {
    app.add_option("--level", options.level, "Report level: short (the default) or debug")
        ->check(CLI::IsMember({"short", "debug"}));
    app.add_option("--format", options.format, FormatHelp())->check(CLI::IsMember(FormatNames()));
    app.add_flag("--stats", options.stats,
                 "Count sync patterns, blocks, corrupted blocks, codewords read and failed, "
                 "short data and GPS messages, and the units seen: per file and in total on "
                 "standard error (with --format json: the \"stats\" objects of the document; with "
                 "--follow: once it ends)");
    app.add_flag("--csv-raw-cells", options.csvRawCells,
                 "With --format csv: write text cells as received. By default a text cell "
                 "starting with =, +, -, @, a tab or a carriage return gets a leading ' so "
                 "a spreadsheet shows it as text and never runs it as a formula");
    app.add_option("-j,--jobs", options.jobs,
                   "Decode up to N files at once (default: one per core); the output keeps "
                   "the order of the arguments. " +
                       Names(OutputFormats(), GathersTheRun, ", ", " and ") +
                       " decode one file at a time")
        ->check(CLI::PositiveNumber);
    app.add_flag("-r,--recursive", options.recursive,
                 "A folder argument stands for every *.txt beneath it (not *-decoded.txt) and "
                 "every sound file, in sorted order");
    app.add_flag("--save", options.save,
                 "Save each report next to its input as NAME-decoded.txt (NAME.EXT-decoded.txt "
                 "for a sound file beside a NAME.txt) and print \"Decoded file saved as \" and "
                 "the saved file's whole path instead of the report");
    app.add_option("--output-dir", options.outputDir,
                   "With --save: save the reports in DIR (created as needed) instead of next to "
                   "their inputs; with -r each below DIR where it is below its folder argument");
    tool::AddInvertOption(app, options.invert,
                          "Sound input (WAV, FLAC, Ogg, AIFF, recognised by its content, also on "
                          "standard input, which is then read whole before it is demodulated): "
                          "which tone is \"1\": no (1200 Hz), yes (1800 Hz) or " +
                              std::string(tool::InvertAutoHelp));
    app.add_option("--order", options.order,
                   "Which sync pattern each block of a bit text starts at: file (the default) "
                   "takes SYNC NO FEC patterns while any is left later in the file, then SYNC "
                   "FEC ones, so a FEC block that a NO FEC block follows is passed over; "
                   "arrival takes every pattern in the order it comes. Sound is always "
                   "decoded in arrival order, each block ending with its transmission")
        ->check(CLI::IsMember({"file", "arrival"}));
    app.add_option("--start-time", options.startTime,
                   "When a sound recording began: an ISO 8601 time (2026-12-07T21:03:48Z, "
                   "or with an offset such as +01:00), or mtime: the file's modification time "
                   "taken as when its sound ended. Each record then carries when its block was "
                   "heard by the clock (heard.utc; the time of gpx and kml points)")
        ->check([](const std::string& value) {
            return value == "mtime" || ParseIsoTime(value) ? std::string()
                                                           : "not an ISO 8601 time nor mtime";
        });
    app.add_option("--channel", options.channel,
                   "Channel of a sound file to demodulate, 1 for the first (the default)")
        ->check(CLI::PositiveNumber);
    app.add_flag("--follow", options.follow,
                 "Decode a live channel: read FILE on as it grows (as tail -f; from its new start "
                 "when it shrinks or is replaced) or a pipe until it closes, and write each "
                 "record as soon as it is final, flushed, with the time it became final (ISO 8601, "
                 "UTC): a bit text's record when the next pattern ends it or no bits came for a "
                 "second; sound (a WAV being written, even one whose header still claims no data, "
                 "a pipe of WAV, raw PCM with --raw --rate, a sound card with --device) when its "
                 "transmission ends, with the time it began (heard.utc). Unlike the report, blocks "
                 "are taken in the order their patterns "
                 "arrive, SYNC NO FEC or SYNC FEC alike: the report skips a FEC block that a "
                 "NO FEC block follows anywhere later, and holds FEC-only records to the end. "
                 "No \"Blocks Found:\" header, and no records after the last decodable block. "
                 "Ends at the end of a pipe, or on Ctrl-C or SIGTERM, after the last record");
    tool::AddSoundSourceOptions(app, options.source);
    AddStoreOptions(app, options.store);
    AddFilterOptions(app, options.filters);
    AddViewOptions(app, options.view);
    app.add_option("FILE", options.files,
                   "Recording to decode: a bit text, or sound (WAV, FLAC, Ogg, AIFF, by its "
                   "content), demodulated first; - reads standard input (sound there is read "
                   "whole before it is demodulated)");
    app.set_version_flag("--version,-V", std::string(ToolName) + " " + VANTREL_VERSION +
                                             "\r\nLicense GPL-3.0-or-later");
}

std::optional<std::string> CombinationProblem(const Options& options) {
    if (std::optional<std::string> problem = tool::SoundSourceProblem(options.source))
        return problem;
    if (std::optional<std::string> problem = StoreProblem(options.store))
        return problem;
    if (std::optional<std::string> problem = FilterProblem(options.filters, options.format))
        return problem;
    if (std::optional<std::string> problem = ViewProblem(options.view, options.format))
        return problem;
    if (!options.source.device.empty() && !options.files.empty())
        return "--device records the sound card instead of FILE: give one of them";
    if (options.source.raw && options.save)
        return "--save reads sound files by their content: --raw input is decoded without it";
    if (Live(options)) {
        const OutputFormat* format = OutputFormatNamed(options.format);
        if (format != nullptr && !format->followRefusal.empty())
            return "--follow cannot write --format " + options.format + ": " +
                   std::string(format->followRefusal);
        if (options.save || format == nullptr || !format->follows || options.files.size() > 1 ||
            options.recursive) {
            return "--follow reads one input and writes one record a line: --format " +
                   Names(OutputFormats(), Follows, ", ", " or ") + ", no --save";
        }
        return std::nullopt;
    }
    if (options.files.empty())
        return "FILE is required";
    if (!options.outputDir.empty() && !options.save)
        return "--output-dir is where --save puts the reports: add --save";
    if (options.csvRawCells && options.format != "csv")
        return "--csv-raw-cells is for --format csv";
    if (options.save && options.format != "text")
        return "--save writes text reports; it cannot be combined with --format " + options.format;
    return std::nullopt;
}

OutputChoice ChoiceOf(const Options& options) {
    OutputChoice choice;
    choice.level = options.level == "debug" ? ReportLevel::Debug : ReportLevel::Short;
    const OutputFormat* format = OutputFormatNamed(options.format);
    choice.records = format != nullptr && format->writer != nullptr ? format : nullptr;
    choice.stats = options.stats;
    choice.writerOptions.cells =
        options.csvRawCells ? SpreadsheetCells::Raw : SpreadsheetCells::Guarded;
    SetViewOptions(options.view, options.format, choice.writerOptions);
    choice.filter = FilterOf(options.filters);
    choice.polarity = tool::PolarityByName(options.invert);
    choice.order = options.order == "arrival" ? modETSI300230::SyncRule::Arrival
                                              : modETSI300230::SyncRule::WholeFile;
    choice.rawSampleRate = options.source.raw ? options.source.rate : 0;
    return choice;
}

std::string ProblemLine(std::string_view path, std::string_view description) {
    return tool::ProblemLine(ToolName, path, description);
}

} // namespace vantrel::decode
