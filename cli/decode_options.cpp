#include "decode_options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
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

// The names of the formats that `keep` keeps (all without it), "a, b or c": `between` apart,
// `last` before the last.
std::string Names(std::span<const OutputFormat> formats, bool (*keep)(const OutputFormat&),
                  std::string_view between, std::string_view last) {
    std::vector<std::string> names;
    for (const OutputFormat& format : formats)
        if (keep == nullptr || keep(format))
            names.emplace_back(format.name);
    return tool::Joined(names, between, last);
}

// "text (the default), json, ... or html": the names of the table, in its order. What each
// writes is the manual page's (filled in from --list-formats at build time).
std::string FormatHelp() {
    std::vector<std::string> names;
    for (const OutputFormat& format : OutputFormats())
        names.push_back(std::string(format.name) +
                        (format.name == Options().format ? " (the default)" : ""));
    return tool::Joined(names, ", ", " or ");
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
    "       vantrel-decode [--follow] --iq u8|s8|s16|f32|wav [--rate R] [--center F]\r\n"
    "                      [--channels F,...] [--spacing F] [--ppm N] FILE|-\r\n"
    "       vantrel-decode [--follow] --rtl-tcp HOST:PORT|--soapy ARGS --rate R --center F\r\n"
    "                      [--gain DB|auto] [--channels F,...] [--format FOLLOW_FORMATS]\r\n"
    "       with any of them: [--unit ADDR] [--from ADDR] [--to ADDR] [--function F] [--utc]\r\n"
    "                      [--serve [ADDR:]PORT] [--mqtt URL] [--db FILE]\r\n";

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

// --help is one line per option, grouped. Each option names its group, `->group("Input")`, one
// of tool::HelpGroups (Input, Output, Live, Sound, Radio, Program), and the value it takes,
// `->option_text("N")` or `->type_name("N")`; a number checked by tool::PositiveNumber() or
// tool::NumberFrom(low, high), a choice by tool::OneOf({...}), so that an error says what is
// wrong in words. Its help is one line that ends within 100 columns (tool::HelpWidth),
// and the details go to the manual page, man/vantrel-decode.1.in. A feature's options come
// from its own file (AddStationOptions(app, ...) in cli/station_options, say), called at the
// end here: they join their groups in whatever order they are added. The help check of
// tests/cli/command_line_answers.sh holds both programs to this.
void AddOptions(CLI::App& app, Options& options) {
    app.add_option("FILE", options.files,
                   "Bit texts or sound (WAV, FLAC, Ogg, AIFF), compressed too; - reads stdin")
        ->group("Input");
    app.add_flag("-r,--recursive", options.recursive,
                 "A folder stands for the bit texts and sound files beneath it")
        ->group("Input");
    app.add_option("--order", options.order,
                   "Sync patterns of a bit text taken in file order (the default) or arrival")
        ->check(tool::OneOf({"file", "arrival"}))
        ->option_text("file|arrival")
        ->group("Input");

    app.add_option("--level", options.level, "The report: short (the default) or debug")
        ->check(tool::OneOf({"short", "debug"}))
        ->option_text("short|debug")
        ->group("Output");
    app.add_option("--format", options.format, FormatHelp())
        ->check(tool::OneOf(FormatNames()))
        ->option_text("FORMAT")
        ->group("Output");
    app.add_flag("--stats", options.stats, "Counts of each file and of the run, on standard error")
        ->group("Output");
    app.add_flag("--csv-raw-cells", options.csvRawCells,
                 "With --format csv: text cells as received, no ' before =, +, -, @")
        ->group("Output");
    app.add_flag("--save", options.save, "Save each report next to its input as NAME-decoded.txt")
        ->group("Output");
    app.add_option("--output-dir", options.outputDir, "With --save: save the reports in DIR")
        ->option_text("DIR")
        ->group("Output");
    app.add_option("-j,--jobs", options.jobs,
                   "Decode up to N files at once (one per core by default), output in order")
        ->check(tool::PositiveNumber())
        ->option_text("N")
        ->group("Output");

    app.add_flag("--follow", options.follow,
                 "Decode a growing file or a pipe, each record as soon as it is final")
        ->group("Live");

    tool::AddSoundSourceOptions(app, options.source);
    tool::AddChannelOption(app, options.channel);
    tool::AddInvertOption(app, options.invert);
    app.add_option("--start-time", options.startTime,
                   "When the sound began: ISO 8601 (local time without a zone) or mtime")
        ->check([](const std::string& value) {
            return value == "mtime" ? std::string() : IsoTimeProblem(value);
        })
        ->option_text("TIME|mtime")
        ->group("Sound");

    // The options of features, each from its own file.
    AddStationOptions(app, options.station);
    AddStoreOptions(app, options.store);
    AddFilterOptions(app, options.filters);
    AddViewOptions(app, options.view);
    AddBandOptions(app, options.band); // after the sound's: it widens --rate for IQ
    AddRadioOptions(app, options.radio);

    tool::AddProgramOptions(app, std::string(ToolName) + " " + VANTREL_VERSION +
                                     "\r\nLicense GPL-3.0-or-later");
    tool::UseGroupedHelp(app, Usage());
}

std::optional<std::string> CombinationProblem(const Options& options) {
    if (std::optional<std::string> problem = RadioProblem(options.radio))
        return problem;
    if (std::optional<std::string> problem = BandProblem(options))
        return problem;
    if (std::optional<std::string> problem =
            BandInput(options) ? std::nullopt : tool::SoundSourceProblem(options.source))
        return problem;
    if (std::optional<std::string> problem = StationProblem(options.station))
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
        // Named as the user gave it: --device alone is live too.
        const std::string live = options.follow                   ? "--follow"
                                 : !options.source.device.empty() ? "--device"
                                 : options.radio.rtlTcp           ? "--rtl-tcp"
                                                                  : "--soapy";
        const OutputFormat* format = OutputFormatNamed(options.format);
        if (format != nullptr && !format->followRefusal.empty())
            return live + " cannot write --format " + options.format + ": " +
                   std::string(format->followRefusal);
        if (format == nullptr || !format->follows)
            return live + " writes each record as soon as it is final: --format " +
                   Names(OutputFormats(), Follows, ", ", " or ") + ", not " + options.format;
        if (options.save)
            return "--save saves the report of a whole file: not with " + live;
        if (options.recursive)
            return "-r stands for the files in a folder: " + live + " reads one input";
        if (options.files.size() > 1)
            return live + " reads one input: give one FILE or -, not " +
                   std::to_string(options.files.size());
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
    if (options.save &&
        std::find(options.files.begin(), options.files.end(), "-") != options.files.end())
        return "--save names each report after its input: standard input (-) has no name";
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
    choice.channels = BandInput(options);
    return choice;
}

std::string ProblemLine(std::string_view path, std::string_view description) {
    return tool::ProblemLine(ToolName, path, description);
}

} // namespace vantrel::decode
