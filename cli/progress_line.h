// A line on standard error rewritten in place while a run takes longer than a second. It is
// shown only when standard error is a terminal: never in a pipe or a file.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

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

} // namespace vantrel::tool
