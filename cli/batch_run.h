// vantrel-decode's run of one or many inputs: each decoded into its report, its records or
// its saved report file, in the order of the arguments, one after the other or in parallel.
#pragma once

#include "decode_options.h"
#include "input_list.h"
#include "record_output.h"
#include "record_stats.h"
#include "run.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::decode {

// One file's share of a run: what it writes, where its lines for standard error go, and
// what it counted.
struct FileJob {
    std::string path;
    std::string heading; // "==> NAME <==" and CR LF when several reports follow
    OutputTarget target; // write / warn set by the caller
    RecordOutput* records = nullptr;
    StreamOptions stream; // progress, when shown
    std::string errors;   // problems and warnings, whole lines
    RecordStats stats;
    bool failed = false;
    std::optional<InputKind> kind; // when -r told it already
};

// Decodes `job.path` as the options ask. A file that fails gives its problem line in
// `job.errors`; only a failure of standard output is thrown (OutputError).
void Decode(FileJob& job, const Options& options, const OutputChoice& choice);

// With --stats, the statistics go to standard error unless the document shows its own.
bool StatsShownInDocument(const OutputChoice& choice);

// "==> NAME <==" between the text reports of several files; empty otherwise.
std::string HeadingOf(const std::string& path, std::size_t files, const Options& options,
                      const OutputChoice& choice);

// Files decoded in parallel by up to `jobs` threads; each file's output waits for its turn,
// so the output is the one of the files decoded in order. `listener` is called from the
// threads. Returns the exit status.
int RunInParallel(const std::vector<Input>& inputs, const Options& options,
                  const OutputChoice& choice, unsigned jobs, const RecordListener& listener,
                  RecordStats& total);

// The whole run: every input, the run's document around the records, the statistics. Every
// final record goes to `finalRecord` too, when set (the live page), from the thread that
// decoded it. Returns the exit status.
int RunBatch(const Options& options, const RecordListener& finalRecord = {});

} // namespace vantrel::decode
