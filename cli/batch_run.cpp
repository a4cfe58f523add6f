#include "batch_run.h"

#include "file_error.h"
#include "input_list.h"
#include "output_formats.h"
#include "progress.h"
#include "record_outlets.h"
#include "recording.h"
#include "report_file.h"
#include "tool_output.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <thread>

namespace vantrel::decode {

using tool::ExitFileError;
using tool::FileProgress;
using tool::FlushOut;
using tool::LineEnd;
using tool::OutputError;
using tool::WithCrLf;
using tool::WriteErr;
using tool::WriteOut;

bool StatsShownInDocument(const OutputChoice& choice) {
    return choice.records && choice.records->statsInDocument;
}

namespace {

// Files decoded one after the other, straight to standard output.
int RunInOrder(const std::vector<Input>& inputs, const Options& options, const OutputChoice& choice,
               RecordOutput* records, const RecordListener& listener, RecordStats& total) {
    int status = 0;
    bool written = false;
    for (const Input& input : inputs) {
        const std::string& path = input.path;
        FileJob job;
        job.path = path;
        job.kind = input.kind;
        job.heading = HeadingOf(path, inputs.size(), options, choice);
        job.records = records;
        job.target.finalRecord = listener;
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
        job.stream.progress = [&](const StreamProgress& p) { progress.Update(p); };
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

// The input, as -r told it when it did, with the channel, raw rate and start time the options
// ask for.
Recording OpenInput(const FileJob& job, const Options& options, const OutputChoice& choice) {
    AudioOptions audio;
    audio.channel = options.channel;
    audio.rawSampleRate = choice.rawSampleRate;
    audio.polarity = choice.polarity;
    Recording input = OpenRecording(job.path, audio, SpoolMemoryLimit, job.kind);
    SetStartTime(input, job.path, options.startTime);
    return input;
}

// What --save prints for a saved report: "Decoded file saved as " and its whole path.
std::string SavedStatusLine(const std::string& reportPath) {
    const std::string status = SavedStatusText(reportPath);
    const std::string name = FileNamePart(reportPath);
    return status.substr(0, status.size() - name.size()) + WholePath(reportPath);
}

// --save: the report streamed into its file as the records become final, so a recording of
// any size takes the memory of one record; the file replaces an older report only when whole.
// Returns whether the recording was read whole.
bool DecodeAndSave(FileJob& job, const Options& options, const OutputChoice& choice) {
    // The input first: what is wrong with it (a folder, a missing file) is said before the
    // report name it would have.
    const Recording input = OpenInput(job, options, choice);
    const std::string reportPath = SavePathFor(job.path, options);
    if (!options.outputDir.empty())
        MakeReportFolder(reportPath);
    ReportFile report(reportPath);
    OutputTarget target;
    target.write = [&report](std::string_view text) { report.Write(text); };
    target.recordDone = job.target.recordDone;
    target.warn = job.target.warn;
    target.finalRecord = job.target.finalRecord;
    job.stats = RunWhole(input, job.path, choice, job.stream, target, nullptr);
    report.Commit();
    if (options.stats)
        job.errors += WithCrLf(StatsText(job.stats, job.path));
    job.target.write(SavedStatusLine(reportPath));
    job.target.write(LineEnd);
    return !input.endedEarly;
}

} // namespace

void Decode(FileJob& job, const Options& options, const OutputChoice& choice) {
    try {
        if (options.save) {
            // A sound file that ended early is decoded as far as it goes, and counts as an
            // input that could not be read whole.
            job.failed = !DecodeAndSave(job, options, choice);
            return;
        }
        const Recording input = OpenInput(job, options, choice);
        if (!job.heading.empty())
            job.target.write(job.heading);
        job.stats = RunWhole(input, job.path, choice, job.stream, job.target, job.records);
        if (options.stats && !StatsShownInDocument(choice))
            job.errors += WithCrLf(StatsText(job.stats, job.path));
        job.failed = input.endedEarly;
    } catch (const OutputError&) {
        throw;
    } catch (const FileError& error) {
        job.errors += ProblemLine(error.path(), DescriptionOf(error, job.path, options));
        job.failed = true;
    } catch (const std::exception& error) {
        // Such as running out of memory on a huge file: the next file may still fit.
        job.errors += ProblemLine(job.path, error.what());
        job.failed = true;
    }
}

std::string HeadingOf(const std::string& path, std::size_t files, const Options& options,
                      const OutputChoice& choice) {
    if (files < 2 || options.save || choice.records)
        return {};
    return "==> " + path + " <==" + std::string(LineEnd);
}

int RunBatch(const Options& options, const RecordListener& finalRecord) {
    const OutputChoice choice = ChoiceOf(options);
    int listStatus = 0;
    const std::vector<Input> inputs =
        WithoutReportClashes(ExpandInputs(options, listStatus), options, listStatus);
    unsigned jobs = options.jobs > 0 ? static_cast<unsigned>(options.jobs)
                                     : std::max(1U, std::thread::hardware_concurrency());
    if ((choice.records && !choice.records->perFileJoint) || inputs.size() < 2)
        jobs = 1;

    std::string names;
    for (const Input& input : inputs)
        names.append(names.empty() ? "" : "\n").append(input.path);
    RecordOutlets outlets(options.store, names);
    const RecordListener listener = outlets.Listener(finalRecord);
    std::optional<RecordOutput> records = RecordOutputFor(choice);
    if (records) {
        records->writer().BeginRun();
        WriteOut(records->Take());
    }
    RecordStats total;
    const int status = jobs == 1 ? RunInOrder(inputs, options, choice,
                                              records ? &*records : nullptr, listener, total)
                                 : RunInParallel(inputs, options, choice, jobs, listener, total);
    if (records) {
        records->writer().EndRun(total);
        WriteOut(records->Take());
    }
    if (options.stats && inputs.size() > 1 && !StatsShownInDocument(choice))
        WriteErr(WithCrLf(StatsText(total, "total")));
    FlushOut();
    return std::max({status, listStatus, outlets.Close(options.stats)});
}

} // namespace vantrel::decode
