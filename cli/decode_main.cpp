// vantrel-decode: decodes recordings in batch and prints the very report the window shows.
//
// Standard output carries only what was asked for, byte for byte: the reports (CR LF line
// ends, nothing added), or one JSON object per file, or with --save one status line per saved
// report. Every line the tool writes itself ends in CR LF, like the reports. Problems go to
// standard error, one line each, and decide the exit status: 0 all done, 1 some file could
// not be read or written (the others are still processed), 2 the command line was wrong.
#include "band_mode.h"
#include "batch_run.h"
#include "decode_options.h"
#include "follow_mode.h"
#include "program_options.h"
#include "served_page.h"
#include "tool_output.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <optional>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

namespace decode = vantrel::decode;
namespace tool = vantrel::tool;

int Main(int argc, char** argv) {
    decode::Options options;
    CLI::App app{"Decodes EN 300 230 signalling in bit texts or sound into the window's report, "
                 "or into records.",
                 std::string(decode::ToolName)};
    decode::AddOptions(app, options);
    if (argc == 2 && argv[1] == decode::ListFormatsArgument) {
        tool::WriteOut(decode::FormatList());
        tool::FlushOut();
        return 0;
    }
    try {
        if (const std::optional<int> answered =
                tool::ParseArguments(app, argc, argv, decode::ToolName, decode::Usage()))
            return *answered;
        if (const std::optional<std::string> problem = decode::CombinationProblem(options))
            return tool::UsageError(decode::ToolName, *problem, decode::Usage());
        std::optional<decode::ServedPage> page;
        if (!options.station.serve.empty()) {
            try {
                page.emplace(options.station);
                if (!options.store.db.empty())
                    page->LoadHistory(options.store.db);
            } catch (const vantrel::ServeError& error) {
                tool::WriteErr(
                    decode::ProblemLine("--serve " + options.station.serve, error.what()));
                return tool::ExitFileError;
            }
        }
        const decode::RecordListener listener = page ? page->Listener() : nullptr;
        const int status = decode::BandInput(options) ? decode::RunBandMode(options, listener)
                           : decode::Live(options)    ? decode::RunFollowMode(options, listener)
                                                      : decode::RunBatch(options, listener);
        if (page)
            page->ServeOn();
        return status;
    } catch (const tool::OutputError& error) {
        tool::WriteErr(decode::ProblemLine(error.path(), error.description()));
        return tool::ExitFileError;
    }
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The reports carry their own CR LF; text mode would double the CR.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    try {
        return Main(argc, argv);
    } catch (const std::exception& error) {
        // Nothing expected ends up here; still a message rather than an abort.
        tool::WriteErr(tool::ProgramLine(decode::ToolName, error.what()));
        return tool::ExitFileError;
    }
}
