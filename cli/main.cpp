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
#include "output_buffer.h"
#include "progress_line.h"
#include "record_writer.h"
#include "report.h"
#include "report_file.h"
#include "stream_decode.h"
#include "tool_output.h"

#include "demodulator.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <unistd.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using vantrel::FileError;
using vantrel::tool::ExitFileError;
using vantrel::tool::ExitUsage;
using vantrel::tool::FlushOut;
using vantrel::tool::LineEnd;
using vantrel::tool::OutputError;
using vantrel::tool::WithCrLf;
using vantrel::tool::WriteErr;
using vantrel::tool::WriteOut;
namespace tool = vantrel::tool;

constexpr std::string_view ToolName = "vantrel-decode";
constexpr std::string_view Usage =
    "Usage: vantrel-decode [--level short|debug] [--format FORMAT] [--stats] [-j N] [-r]\r\n"
    "                      [--save [--output-dir DIR]] [--invert auto|yes|no] FILE...\r\n"
    "       vantrel-decode --follow [--level short|debug] [--format text|jsonl] [FILE|-]\r\n"
    "Run with --help for more information.\r\n";

struct Options {
    std::string level = "short"; // the window starts at the short level
    std::string format = "text";
    bool save = false;
    bool follow = false;
    bool stats = false;
    bool recursive = false;
    int jobs = 0; // 0: one per core
    std::string outputDir;
    std::string invert = "auto";
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

std::string ProblemLine(std::string_view path, std::string_view description) {
    return tool::ProblemLine(ToolName, path, description);
}

void ReportProblem(std::string_view path, std::string_view description) {
    WriteErr(ProblemLine(path, description));
}

// The progress of one file's decode: bytes of the total, rate and blocks so far.
class FileProgress {
public:
    explicit FileProgress(std::string_view path) : path_(path) {}
    void Clear() { line_.Clear(); }
    void Block() { ++blocks_; }

    void Update(const vantrel::StreamProgress& progress) {
        const std::optional<double> seconds = line_.Due();
        if (!seconds)
            return;
        constexpr double Megabyte = 1024.0 * 1024.0;
        // Both passes read the whole input: the rate is over what was read in all.
        const double read = static_cast<double>(progress.bytesDone) +
                            (progress.stage == "decoding" ? progress.bytesTotal : 0.0);
        char text[256];
        std::snprintf(text, sizeof text, "%s: %s %.1f of %.1f MB, %.0f MB/s, %lld blocks",
                      path_.c_str(), std::string(progress.stage).c_str(),
                      static_cast<double>(progress.bytesDone) / Megabyte,
                      static_cast<double>(progress.bytesTotal) / Megabyte,
                      read / Megabyte / *seconds, blocks_);
        line_.Show(text);
    }

private:
    std::string path_;
    long long blocks_ = 0;
    tool::ProgressLine line_;
};

vantrel::OutputChoice ChoiceOf(const Options& options) {
    vantrel::OutputChoice choice;
    choice.level =
        options.level == "debug" ? vantrel::ReportLevel::Debug : vantrel::ReportLevel::Short;
    choice.records = vantrel::RecordFormatByName(options.format);
    choice.stats = options.stats;
    if (options.invert == "yes")
        choice.polarity = demod::Polarity::Inverted;
    else if (options.invert == "no")
        choice.polarity = demod::Polarity::Normal;
    return choice;
}

// Formats whose document gathers the whole run (tracks per unit, one feature list) are
// written by one writer, file after file; the others can be written per file and joined.
bool SectionsJoin(const vantrel::OutputChoice& choice) {
    using vantrel::RecordFormat;
    return !choice.records || *choice.records == RecordFormat::Json ||
           *choice.records == RecordFormat::JsonLines || *choice.records == RecordFormat::Csv;
}

// The record writer of a run or of one file's share of it, with the text it writes into;
// nothing when the output is a text report.
struct RecordSink {
    explicit RecordSink(const vantrel::OutputChoice& choice) {
        if (choice.records) {
            writer = vantrel::MakeRecordWriter(*choice.records, chunk);
            output.emplace(vantrel::RecordOutput{*writer, chunk});
        }
    }
    RecordSink(const RecordSink&) = delete;
    RecordSink& operator=(const RecordSink&) = delete;

    vantrel::RecordOutput* get() { return output ? &*output : nullptr; }

    std::ostringstream chunk;
    std::unique_ptr<vantrel::RecordWriter> writer;
    std::optional<vantrel::RecordOutput> output;
};

// The name a saved report gets: next to its input, or in --output-dir.
std::string SavePathFor(const std::string& path, const Options& options) {
    const std::optional<std::string> reportPath = vantrel::ReportFileName(path);
    if (!reportPath)
        throw FileError(path, "no report file name: the file name has no \".\"");
    std::filesystem::path target(*reportPath);
    if (!options.outputDir.empty())
        target = std::filesystem::path(options.outputDir) / target.filename();
    return target.string();
}

// The whole path of a saved report, as the status line shows it.
std::string WholePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path whole = std::filesystem::absolute(path, error);
    return error ? path : whole.lexically_normal().string();
}

// One file's share of a run: what it writes, where its lines for standard error go, and
// what it counted.
struct FileJob {
    std::string path;
    std::string heading;          // "==> NAME <==" and CR LF when several reports follow
    vantrel::OutputTarget target; // write / warn set by the caller
    const vantrel::RecordOutput* records = nullptr;
    vantrel::StreamOptions stream; // progress, when shown
    std::string errors;            // problems and warnings, whole lines
    vantrel::RecordStats stats;
    bool failed = false;
};

void Decode(FileJob& job, const Options& options, const vantrel::OutputChoice& choice) {
    try {
        if (options.save) {
            const vantrel::DecodedFile decoded =
                vantrel::DecodeFile(job.path, choice.polarity, options.stats);
            if (decoded.NoBitCharacters)
                job.target.warn(vantrel::NoBitsWarning);
            if (decoded.Stats.patternsPassedOver > 0)
                job.target.warn(vantrel::PassedOverWarning(decoded.Stats.patternsPassedOver));
            job.stats = decoded.Stats;
            if (options.stats)
                job.errors += WithCrLf(vantrel::StatsText(job.stats, job.path));
            const std::string reportPath = SavePathFor(job.path, options);
            vantrel::SaveReport(reportPath, vantrel::RenderReport(
                                                decoded.Blocks, decoded.BlockCount, choice.level));
            const std::string status = vantrel::SavedStatusText(reportPath);
            const std::string name = vantrel::FileNamePart(reportPath);
            job.target.write(status.substr(0, status.size() - name.size()) + WholePath(reportPath));
            job.target.write(LineEnd);
            return;
        }
        const vantrel::RunInput input =
            vantrel::OpenRunInput(job.path, choice.polarity, SpoolMemoryLimit);
        if (!job.heading.empty())
            job.target.write(job.heading);
        job.stats =
            vantrel::StreamDecodeFile(input, job.path, choice, job.stream, job.target, job.records);
        if (options.stats && choice.records != vantrel::RecordFormat::Json)
            job.errors += WithCrLf(vantrel::StatsText(job.stats, job.path));
    } catch (const OutputError&) {
        throw;
    } catch (const FileError& error) {
        job.errors += ProblemLine(error.path(), error.description());
        job.failed = true;
    } catch (const std::exception& error) {
        // Such as running out of memory on a huge file: the next file may still fit.
        job.errors += ProblemLine(job.path, error.what());
        job.failed = true;
    }
}

std::string HeadingOf(const std::string& path, std::size_t files, const Options& options,
                      const vantrel::OutputChoice& choice) {
    if (files < 2 || options.save || choice.records)
        return {};
    return "==> " + path + " <==" + std::string(LineEnd);
}

// The inputs a run decodes, in the order given; with -r a folder stands for every bit text
// beneath it (not the tool's own "-decoded.txt" reports) and every sound file, sorted.
std::vector<std::string> ExpandInputs(const Options& options) {
    namespace fs = std::filesystem;
    std::vector<std::string> inputs;
    for (const std::string& argument : options.files) {
        std::error_code error;
        if (!options.recursive || argument == "-" || !fs::is_directory(argument, error)) {
            inputs.push_back(argument);
            continue;
        }
        std::vector<std::string> found;
        for (fs::recursive_directory_iterator
                 it(argument, fs::directory_options::skip_permission_denied, error),
             end;
             !error && it != end; it.increment(error)) {
            if (!it->is_regular_file(error))
                continue;
            const std::string name = it->path().filename().string();
            const bool text = name.ends_with(".txt") && !name.ends_with("-decoded.txt");
            if (text || vantrel::IsAudioFile(it->path().string()))
                found.push_back(it->path().string());
        }
        if (error)
            WriteErr(ProblemLine(argument, error.message()));
        std::sort(found.begin(), found.end());
        inputs.insert(inputs.end(), found.begin(), found.end());
    }
    return inputs;
}

std::uint64_t FileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// The progress of a run of many files: files and bytes done, rate.
class RunProgress {
public:
    explicit RunProgress(std::size_t files) : files_(files) {}
    void Clear() { line_.Clear(); }

    void Update(std::size_t filesDone, std::uint64_t bytesDone) {
        const std::optional<double> seconds = line_.Due();
        if (!seconds)
            return;
        constexpr double Megabyte = 1024.0 * 1024.0;
        char text[160];
        std::snprintf(text, sizeof text, "%zu of %zu files, %.1f MB, %.0f MB/s", filesDone, files_,
                      static_cast<double>(bytesDone) / Megabyte,
                      static_cast<double>(bytesDone) / Megabyte / *seconds);
        line_.Show(text);
    }

private:
    std::size_t files_;
    tool::ProgressLine line_;
};

// Files decoded one after the other, straight to standard output.
int RunInOrder(const std::vector<std::string>& inputs, const Options& options,
               const vantrel::OutputChoice& choice, const vantrel::RecordOutput* records,
               vantrel::RecordStats& total) {
    int status = 0;
    bool written = false;
    for (const std::string& path : inputs) {
        FileJob job;
        job.path = path;
        job.heading = HeadingOf(path, inputs.size(), options, choice);
        job.records = records;
        bool headed = false;
        job.target.write = [&](std::string_view text) {
            if (!headed && !job.heading.empty() && written)
                WriteOut(LineEnd); // a blank line between reports, as head does
            headed = true;
            written = true;
            WriteOut(text);
        };
        FileProgress progress(path);
        job.target.warn = [&](std::string_view line) {
            progress.Clear();
            WriteErr(ProblemLine(path, line));
        };
        job.stream.progress = [&](const vantrel::StreamProgress& p) { progress.Update(p); };
        job.target.recordDone = [&] { progress.Block(); };
        Decode(job, options, choice);
        FlushOut();
        progress.Clear();
        WriteErr(job.errors);
        total.Add(job.stats);
        if (job.failed)
            status = ExitFileError;
    }
    return status;
}

// Files decoded in parallel; each file's output waits in its buffer for its turn, so the
// output is the one RunInOrder gives.
int RunInParallel(const std::vector<std::string>& inputs, const Options& options,
                  const vantrel::OutputChoice& choice, unsigned jobs, vantrel::RecordStats& total) {
    struct Slot {
        FileJob job;
        std::unique_ptr<vantrel::OutputBuffer> out;
        bool done = false;
    };
    // Workers stay at most this many files ahead of the output, so held buffers stay few.
    const std::size_t ahead = std::size_t{4} * jobs;
    constexpr std::size_t BufferLimit = std::size_t{8} << 20;
    std::vector<Slot> slots(inputs.size());
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;
    std::size_t turn = 0;
    bool stopping = false;

    auto work = [&] {
        for (;;) {
            std::size_t index = 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(
                    lock, [&] { return stopping || next >= slots.size() || next < turn + ahead; });
                if (stopping || next >= slots.size())
                    return;
                index = next++;
            }
            Slot& slot = slots[index];
            slot.out = std::make_unique<vantrel::OutputBuffer>(BufferLimit);
            RecordSink records(choice);
            FileJob& job = slot.job;
            job.path = inputs[index];
            job.heading = HeadingOf(job.path, inputs.size(), options, choice);
            job.records = records.get();
            job.target.write = [&slot](std::string_view text) { slot.out->Append(text); };
            job.target.warn = [&job](std::string_view line) {
                job.errors += ProblemLine(job.path, line);
            };
            try {
                Decode(job, options, choice);
            } catch (const std::exception& error) {
                job.errors += ProblemLine(job.path, error.what());
                job.failed = true;
            }
            std::lock_guard lock(mutex);
            slot.done = true;
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < jobs && i < slots.size(); ++i)
        workers.emplace_back(work);

    int status = 0;
    RunProgress progress(slots.size());
    try {
        bool written = false;
        std::uint64_t bytesDone = 0;
        while (turn < slots.size()) {
            Slot& slot = slots[turn];
            {
                std::unique_lock lock(mutex);
                while (!changed.wait_for(lock, std::chrono::milliseconds(200),
                                         [&] { return slot.done; })) {
                    lock.unlock();
                    progress.Update(turn, bytesDone);
                    lock.lock();
                }
            }
            if (!slot.out->empty()) {
                if (!slot.job.heading.empty() && written)
                    WriteOut(LineEnd);
                // Each file's writer began its own document's file list: "\n" before its
                // file where the run's one writer puts ",\n" after the first.
                if (written && choice.records == vantrel::RecordFormat::Json)
                    WriteOut(",");
                written = true;
                slot.out->WriteTo(WriteOut);
            }
            slot.out.reset();
            FlushOut();
            if (!slot.job.errors.empty())
                progress.Clear();
            WriteErr(slot.job.errors);
            total.Add(slot.job.stats);
            if (slot.job.failed)
                status = ExitFileError;
            bytesDone += FileSize(slot.job.path);
            progress.Update(turn + 1, bytesDone);
            std::lock_guard lock(mutex);
            ++turn;
            changed.notify_all();
        }
    } catch (...) {
        {
            std::lock_guard lock(mutex);
            stopping = true;
            changed.notify_all();
        }
        for (std::thread& worker : workers)
            worker.join();
        throw;
    }
    for (std::thread& worker : workers)
        worker.join();
    return status;
}

// Follow mode: every record is flushed as soon as it is final.
int Follow(const Options& options) {
    const std::string path = options.files.empty() ? "-" : options.files.front();
    CatchStopSignals();
    const vantrel::OutputChoice choice = ChoiceOf(options);
    vantrel::StreamOptions streamOptions;
    streamOptions.stop = &stopRequested;
    streamOptions.notice = [](std::string_view line) { ReportProblem(ToolName, line); };
    vantrel::OutputTarget target;
    target.write = WriteOut;
    target.recordDone = FlushOut;
    RecordSink records(choice);
    try {
        const vantrel::RecordStats stats =
            vantrel::FollowFile(path, choice, streamOptions, target, records.get());
        FlushOut();
        if (options.stats)
            WriteErr(WithCrLf(vantrel::StatsText(stats, path)));
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

// With --output-dir, inputs from different folders may share a file name and so a report
// name: the first keeps it, and a later one is refused with a problem line instead of
// replacing that report unseen.
std::vector<std::string> WithoutReportClashes(std::vector<std::string> inputs,
                                              const Options& options, int& status) {
    if (!options.save || options.outputDir.empty())
        return inputs;
    std::map<std::string, std::string> savedFor; // report path -> the input it is saved for
    std::vector<std::string> kept;
    for (std::string& input : inputs) {
        std::optional<std::string> report;
        try {
            report = SavePathFor(input, options);
        } catch (const FileError&) {
            kept.push_back(std::move(input)); // its own problem line comes when it is decoded
            continue;
        }
        const auto [earlier, fresh] = savedFor.emplace(WholePath(*report), input);
        if (fresh) {
            kept.push_back(std::move(input));
            continue;
        }
        WriteErr(ProblemLine(input, "not saved: its report " + *report + " is the one of " +
                                        earlier->second));
        status = ExitFileError;
    }
    return kept;
}

int Run(const Options& options) {
    const vantrel::OutputChoice choice = ChoiceOf(options);
    int clashStatus = 0;
    const std::vector<std::string> inputs =
        WithoutReportClashes(ExpandInputs(options), options, clashStatus);
    unsigned jobs = options.jobs > 0 ? static_cast<unsigned>(options.jobs)
                                     : std::max(1U, std::thread::hardware_concurrency());
    if (!SectionsJoin(choice) || inputs.size() < 2)
        jobs = 1;

    RecordSink records(choice);
    if (records.writer) {
        records.writer->BeginRun();
        WriteOut(records.chunk.str());
        records.chunk.str(std::string());
    }
    vantrel::RecordStats total;
    const int status = jobs == 1 ? RunInOrder(inputs, options, choice, records.get(), total)
                                 : RunInParallel(inputs, options, choice, jobs, total);
    if (records.writer) {
        records.writer->EndRun(total);
        WriteOut(records.chunk.str());
    }
    if (options.stats && inputs.size() > 1 && choice.records != vantrel::RecordFormat::Json)
        WriteErr(WithCrLf(vantrel::StatsText(total, "total")));
    FlushOut();
    return std::max(status, clashStatus);
}

int UsageError(std::string_view message) {
    return tool::UsageError(ToolName, message, Usage);
}

int Main(int argc, char** argv) {
    Options options;
    CLI::App app{"Decodes recordings of ETSI EN 300 230 signalling (text files of \"0\" and "
                 "\"1\" characters) and prints the report the Vantrel window shows.",
                 std::string(ToolName)};
    app.add_option("--level", options.level, "Report level: short (the default) or debug")
        ->check(CLI::IsMember({"short", "debug"}));
    app.add_option("--format", options.format,
                   "Output: text (the report, the default); or records (docs/records.md): json "
                   "(one document per run: files, records, statistics), jsonl (one record a "
                   "line, naming its file), csv (one row per block), gpx, kml or geojson "
                   "(the positions of the GPS messages, for map programs)")
        ->check(CLI::IsMember({"text", "json", "jsonl", "csv", "gpx", "kml", "geojson"}));
    app.add_flag("--stats", options.stats,
                 "Count sync patterns, blocks, corrupted blocks, codewords read and failed, "
                 "short data and GPS messages, and the units seen: per file and in total on "
                 "standard error (with --format json: the \"stats\" objects of the document; with "
                 "--follow: once it ends)");
    app.add_option("-j,--jobs", options.jobs,
                   "Decode up to N files at once (default: one per core); the output keeps "
                   "the order of the arguments. gpx, kml and geojson decode one file at a time")
        ->check(CLI::PositiveNumber);
    app.add_flag("-r,--recursive", options.recursive,
                 "A folder argument stands for every *.txt beneath it (not *-decoded.txt) and "
                 "every sound file, in sorted order");
    app.add_flag("--save", options.save,
                 "Save each report next to its input as NAME-decoded.txt and print the saved "
                 "file's whole path instead of the report");
    app.add_option("--output-dir", options.outputDir,
                   "With --save: save the reports in DIR instead of next to their inputs")
        ->check(CLI::ExistingDirectory);
    app.add_option("--invert", options.invert,
                   "Sound input (WAV, FLAC, Ogg, AIFF, recognised by its content, also on "
                   "standard input, which is then read whole before it is demodulated): "
                   "which tone is \"1\": auto (from the sync patterns, the default), yes "
                   "(1800 Hz), no (1200 Hz)")
        ->check(CLI::IsMember({"auto", "yes", "no"}));
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
    app.add_option("FILE", options.files,
                   "Recording to decode: a bit text, or sound (WAV, FLAC, Ogg, AIFF, by its "
                   "content), demodulated first; - reads standard input (sound there is read "
                   "whole before it is demodulated)");
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
            if (options.save || (options.format != "text" && options.format != "jsonl") ||
                options.files.size() > 1 || options.recursive) {
                return UsageError("--follow reads one input and writes one record a line: "
                                  "--format text or jsonl, no --save");
            }
            return Follow(options);
        }
        if (options.files.empty()) {
            return UsageError("FILE is required");
        }
        if (!options.outputDir.empty() && !options.save) {
            return UsageError("--output-dir is where --save puts the reports: add --save");
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
