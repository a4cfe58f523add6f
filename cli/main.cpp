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
#include "stream_decode.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using vantrel::FileError;

constexpr std::string_view ToolName = "vantrel-decode";
constexpr std::string_view LineEnd = "\r\n";
constexpr std::string_view Usage =
    "Usage: vantrel-decode [--level short|debug] [--format text|json|jsonl] [--save] FILE...\r\n"
    "       vantrel-decode --follow [--level short|debug] [--format text|jsonl] [FILE|-]\r\n"
    "Run with --help for more information.\r\n";

constexpr int ExitFileError = 1;
constexpr int ExitUsage = 2;

struct Options {
    std::string level = "short"; // the window starts at the short level
    std::string format = "text";
    bool save = false;
    bool follow = false;
    std::vector<std::string> files;
};

// An input that is not a regular file is kept in memory up to this size, then in a temporary
// file: the count comes before the first record, so the input is read twice.
constexpr std::size_t SpoolMemoryLimit = std::size_t{32} << 20;

// Set by SIGINT and SIGTERM in follow mode: the run finishes its last record and ends.
volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int /*signal*/) {
    stopRequested = 1;
}

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    // The waits of follow mode (poll, a sleep) end at a signal whatever this says; writes to
    // standard output go on after it.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

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

// A line on standard error, rewritten in place, while a decode takes longer than a second
// and standard error is a terminal.
class ProgressLine {
public:
    explicit ProgressLine(std::string_view path)
        : path_(path), shown_(isatty(STDERR_FILENO) != 0), start_(Clock::now()) {}
    ~ProgressLine() {
        if (written_)
            WriteErr("\r\033[K");
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Block() { ++blocks_; }

    void Update(const vantrel::StreamProgress& progress) {
        if (!shown_)
            return;
        const auto now = Clock::now();
        const double seconds = std::chrono::duration<double>(now - start_).count();
        if (seconds < 1.0 || now - last_ < std::chrono::milliseconds(200))
            return;
        last_ = now;
        constexpr double Megabyte = 1024.0 * 1024.0;
        // Both passes read the whole input: the rate is over what was read in all.
        const double read = static_cast<double>(progress.bytesDone) +
                            (progress.stage == "decoding" ? progress.bytesTotal : 0.0);
        char line[256];
        std::snprintf(line, sizeof line, "\r%s: %s %.1f of %.1f MB, %.0f MB/s, %lld blocks\033[K",
                      path_.c_str(), std::string(progress.stage).c_str(),
                      static_cast<double>(progress.bytesDone) / Megabyte,
                      static_cast<double>(progress.bytesTotal) / Megabyte,
                      read / Megabyte / seconds, static_cast<long long>(blocks_));
        WriteErr(line);
        written_ = true;
    }

private:
    using Clock = std::chrono::steady_clock;
    std::string path_;
    bool shown_;
    bool written_ = false;
    long long blocks_ = 0;
    Clock::time_point start_;
    Clock::time_point last_;
};

vantrel::OutputChoice ChoiceOf(const Options& options) {
    vantrel::OutputChoice choice;
    choice.level =
        options.level == "debug" ? vantrel::ReportLevel::Debug : vantrel::ReportLevel::Short;
    if (options.format == "json")
        choice.format = vantrel::OutputFormat::Json;
    else if (options.format == "jsonl")
        choice.format = vantrel::OutputFormat::JsonLines;
    return choice;
}

void DecodeOne(const std::string& path, const Options& options) {
    if (!options.save) {
        // Straight to the output, record by record, in bounded memory.
        const vantrel::RawInput input = vantrel::RawInput::Open(path, SpoolMemoryLimit);
        ProgressLine progress(path);
        vantrel::StreamOptions streamOptions;
        streamOptions.progress = [&](const vantrel::StreamProgress& p) { progress.Update(p); };
        vantrel::OutputTarget target;
        target.write = WriteOut;
        target.recordDone = [&] { progress.Block(); };
        vantrel::StreamDecodeFile(input, path, ChoiceOf(options), streamOptions, target);
        return;
    }
    const vantrel::DecodedFile decoded = vantrel::DecodeFile(path);
    const vantrel::ReportLevel level = ChoiceOf(options).level;
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

// Follow mode: every record is flushed as soon as it is final.
int Follow(const Options& options) {
    const std::string path = options.files.empty() ? "-" : options.files.front();
    CatchStopSignals();
    vantrel::StreamOptions streamOptions;
    streamOptions.stop = &stopRequested;
    streamOptions.notice = [](std::string_view line) { ReportProblem(ToolName, line); };
    vantrel::OutputTarget target;
    target.write = WriteOut;
    target.recordDone = FlushOut;
    try {
        vantrel::FollowFile(path, ChoiceOf(options), streamOptions, target);
    } catch (const OutputError&) {
        throw;
    } catch (const FileError& error) {
        ReportProblem(error.path(), error.description());
        FlushOut();
        return ExitFileError;
    }
    FlushOut();
    return 0;
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
                   "Output: text (the report, the default), json (one object per file) or "
                   "jsonl (one object per record, a line each)")
        ->check(CLI::IsMember({"text", "json", "jsonl"}));
    app.add_flag("--save", options.save,
                 "Save each report next to its input as NAME-decoded.txt and print the file's "
                 "name instead of the report");
    app.add_flag(
        "--follow", options.follow,
        "Decode a live channel: read FILE on as it grows (as tail -f; from its new start "
        "when it shrinks or is replaced) or a pipe until it closes, and write each "
        "record as soon as the next pattern ends it, flushed, with the time it became "
        "final (ISO 8601, UTC). Unlike the report, blocks are taken in the order their patterns "
        "arrive, SYNC NO FEC or SYNC FEC alike: the report skips a FEC block that a "
        "NO FEC block follows anywhere later, and holds FEC-only records to the end. "
        "No \"Blocks Found:\" header, and no records after the last decodable block. "
        "Ends at the end of a pipe, or on Ctrl-C or SIGTERM, after the last record");
    app.add_option("FILE", options.files, "Recording to decode; - reads standard input");
    app.set_version_flag("--version,-V", std::string(ToolName) + " " + VANTREL_VERSION +
                                             "\r\nLicense GPL-3.0-or-later");

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
        if (options.follow) {
            if (options.save || options.format == "json" || options.files.size() > 1) {
                return UsageError("--follow reads one input and writes one record a line: "
                                  "--format text or jsonl, no --save");
            }
            return Follow(options);
        }
        if (options.files.empty()) {
            return UsageError("FILE is required");
        }
        if (options.save && options.format != "text") {
            return UsageError("--save writes text reports; it cannot be combined with "
                              "--format " +
                              options.format);
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
