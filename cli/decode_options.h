// vantrel-decode's command line: its options, its usage, and what they ask the run for.
#pragma once

#include "band_options.h"
#include "filter_options.h"
#include "program_options.h"
#include "radio_options.h"
#include "run.h"
#include "station_options.h"
#include "store_options.h"
#include "view_options.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace vantrel::decode {

inline constexpr std::string_view ToolName = "vantrel-decode";

// What a run hands each final record to besides its output (OutputTarget::finalRecord).
using RecordListener = std::function<void(const DecodedRecord&)>;

// The usage lines, naming the formats --follow writes; --help shows them, and so does a usage
// error, before the hint at --help.
std::string Usage();

struct Options {
    std::string level = "short"; // the window starts at the short level
    std::string format = "text";
    bool save = false;
    bool follow = false;
    bool stats = false;
    bool csvRawCells = false;
    bool recursive = false;
    int jobs = 0; // 0: one per core
    std::string outputDir;
    std::string invert = "auto";
    std::string order = "file";
    std::string startTime; // --start-time: ISO 8601, "mtime" or nothing
    int channel = 1;
    tool::SoundSource source;
    BandOptions band;
    RadioOptions radio; // --rtl-tcp, --soapy, --gain
    StationOptions station;
    StoreOptions store; // --mqtt, --db
    FilterOptions filters;
    ViewOptions view;
    std::vector<std::string> files;
};

// The program's description and every option, bound to `options`.
void AddOptions(CLI::App& app, Options& options);

// What is wrong with options that each parse but do not go together; nothing when they do.
std::optional<std::string> CombinationProblem(const Options& options);

OutputChoice ChoiceOf(const Options& options);

// `vantrel-decode --list-formats`, the one argument, is for scripts and the build (the
// completions, the manual page), so --help leaves it out; the manual page names it.
inline constexpr std::string_view ListFormatsArgument = "--list-formats";

// What --list-formats prints: every format a line, its name, "follow" or "no-follow" (whether
// --follow writes it), "per-file" or "whole-run" (whether -j decodes several files of it at
// once) and its line of help, apart by tabs.
std::string FormatList();

// A radio band's IQ is the input: a capture (--iq) or a live radio (--rtl-tcp, --soapy).
inline bool BandInput(const Options& options) {
    return IqGiven(options.band) || NamesRadio(options.radio);
}

// A live run: --follow, or a sound card or a radio, recorded until the user stops the run.
inline bool Live(const Options& options) {
    return options.follow || !options.source.device.empty() || NamesRadio(options.radio);
}

// "vantrel-decode: PATH: DESCRIPTION" and CR LF.
std::string ProblemLine(std::string_view path, std::string_view description);

} // namespace vantrel::decode
