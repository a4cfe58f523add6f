// The progress of a run: a line on standard error rewritten in place while a run takes longer
// than a second, shown only when standard error is a terminal, never in a pipe or a file.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "record_stream.h"

namespace vantrel::tool {

class ProgressLine {
public:
    ProgressLine();
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // The seconds since the start when the line is due for a new text: shown at all, past
    // the first second, and not redrawn more than five times a second.
    std::optional<double> Due();
    void Show(std::string_view text);
    // Takes the line away, so a line for standard error starts at its beginning.
    void Clear();

private:
    using Clock = std::chrono::steady_clock;
    bool shown_;
    bool written_ = false;
    Clock::time_point start_;
    Clock::time_point last_;
};

// The progress of one file's decode: bytes of the total, rate and blocks so far.
class FileProgress {
public:
    explicit FileProgress(std::string_view path) : path_(path) {}
    void Clear() { line_.Clear(); }
    void Block() { ++blocks_; }
    void Update(const StreamProgress& progress);

private:
    std::string path_;
    long long blocks_ = 0;
    ProgressLine line_;
};

// The progress of a run of many files: files and bytes done, rate.
class RunProgress {
public:
    explicit RunProgress(std::size_t files) : files_(files) {}
    void Clear() { line_.Clear(); }
    void Update(std::size_t filesDone, std::uint64_t bytesDone);

private:
    std::size_t files_;
    ProgressLine line_;
};

} // namespace vantrel::tool
