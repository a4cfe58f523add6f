// vantrel-decode: decodes recordings in batch and prints the very report the window shows.
//
// Standard output carries only what was asked for, byte for byte: the reports (CR LF line
// ends, nothing added), or one JSON object per file, or with --save one status line per saved
// report. Every line the tool writes itself ends in CR LF, like the reports. Problems go to
// standard error, one line each, and decide the exit status: 0 all done, 1 some file could
// not be read or written (the others are still processed), 2 the command line was wrong.
#include "bit_file.h"
#include "decode_file.h"
#include "file_error.h"
#include "json_report.h"
#include "report.h"
#include "report_file.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using vantrel::FileError;

constexpr std::string_view ToolName = "vantrel-decode";
constexpr std::string_view LineEnd = "\r\n";
constexpr std::string_view Usage =
    "Usage: vantrel-decode [--level short|debug] [--format text|json] [--save] FILE...\r\n"
    "Run with --help for more information.\r\n";

constexpr int ExitFileError = 1;
constexpr int ExitUsage = 2;

struct Options {
    std::string level = "short"; // the window starts at the short level
    std::string format = "text";
    bool save = false;
    std::vector<std::string> files;
};

// Standard output itself failed (a full disk, a closed pipe): nothing further can be
// delivered, so the run stops instead of going on to the next file.
class OutputError : public FileError {
public:
    using FileError::FileError;
};

void WriteOut(std::string_view text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
        throw OutputError("standard output", std::strerror(errno != 0 ? errno : EIO));
    }
}

void FlushOut() {
    errno = 0;
    if (std::fflush(stdout) != 0) {
        throw OutputError("standard output", std::strerror(errno != 0 ? errno : EIO));
    }
}

void WriteErr(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
}

void ReportProblem(std::string_view path, std::string_view description) {
    std::string line(ToolName);
    line.append(": ").append(path).append(": ").append(description).append(LineEnd);
    WriteErr(line);
}

// The argument parser writes LF alone; the tool's own texts end their lines in CR LF.
std::string WithCrLf(std::string_view text) {
    std::string converted;
    converted.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n' && (converted.empty() || converted.back() != '\r')) {
            converted.push_back('\r');
        }
        converted.push_back(c);
    }
    return converted;
}

void DecodeOne(const std::string& path, const Options& options) {
    const vantrel::DecodedFile decoded = vantrel::DecodeFile(path);
    if (options.format == "json") {
        WriteOut(vantrel::JsonReport(path, decoded).dump());
        WriteOut(LineEnd);
        return;
    }
    const vantrel::ReportLevel level =
        options.level == "debug" ? vantrel::ReportLevel::Debug : vantrel::ReportLevel::Short;
    if (!options.save) {
        // Straight to the output: the report is never held whole.
        vantrel::WriteReport(decoded.Blocks, decoded.BlockCount, level, WriteOut);
        return;
    }
    // The window silently skips a save it has no name for; a batch run must not: the user
    // asked for a file and gets none.
    const std::optional<std::string> reportPath = vantrel::ReportFileName(path);
    if (!reportPath) {
        throw FileError(path, "no report file name: the file name has no \".\"");
    }
    vantrel::SaveReport(*reportPath,
                        vantrel::RenderReport(decoded.Blocks, decoded.BlockCount, level));
    WriteOut(vantrel::SavedStatusText(*reportPath));
    WriteOut(LineEnd);
}

int Run(const Options& options) {
    int status = 0;
    for (const std::string& path : options.files) {
        try {
            DecodeOne(path, options);
        } catch (const OutputError&) {
            throw;
        } catch (const FileError& error) {
            ReportProblem(error.path(), error.description());
            status = ExitFileError;
        } catch (const std::exception& error) {
            // Such as running out of memory on a huge file: the next file may still fit.
            ReportProblem(path, error.what());
            status = ExitFileError;
        }
    }
    FlushOut();
    return status;
}

int UsageError(std::string_view message) {
    std::string text(ToolName);
    text.append(": ").append(message).append(LineEnd).append(Usage);
    WriteErr(text);
    return ExitUsage;
}

int Main(int argc, char** argv) {
    Options options;
    CLI::App app{"Decodes recordings of ETSI EN 300 230 signalling (text files of \"0\" and "
                 "\"1\" characters) and prints the report the Vantrel window shows.",
                 std::string(ToolName)};
    app.add_option("--level", options.level, "Report level: short (the default) or debug")
        ->check(CLI::IsMember({"short", "debug"}));
    app.add_option("--format", options.format,
                   "Output: text (the report, the default) or json (one object per file)")
        ->check(CLI::IsMember({"text", "json"}));
    app.add_flag("--save", options.save,
                 "Save each report next to its input as NAME-decoded.txt and print the file's "
                 "name instead of the report");
    app.add_option("FILE", options.files, "Recording to decode; - reads standard input")
        ->required();
    app.set_version_flag("--version", std::string(ToolName) + " " + VANTREL_VERSION);

    try {
        try {
            app.parse(argc, argv);
        } catch (const CLI::CallForHelp&) {
            WriteOut(WithCrLf(app.help()));
            FlushOut();
            return 0;
        } catch (const CLI::CallForVersion& version) {
            WriteOut(version.what());
            WriteOut(LineEnd);
            FlushOut();
            return 0;
        } catch (const CLI::ParseError& error) {
            return UsageError(WithCrLf(error.what()));
        }
        if (options.save && options.format == "json") {
            return UsageError("--save writes text reports; it cannot be combined with "
                              "--format json");
        }
        return Run(options);
    } catch (const OutputError& error) {
        ReportProblem(error.path(), error.description());
        return ExitFileError;
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
        ReportProblem(ToolName, error.what());
        return ExitFileError;
    }
}
