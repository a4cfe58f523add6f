#include "progress_line.h"

#include "tool_output.h"

#include <string>
#include <unistd.h>

namespace vantrel::tool {

ProgressLine::ProgressLine() : shown_(isatty(STDERR_FILENO) != 0), start_(Clock::now()) {}

std::optional<double> ProgressLine::Due() {
    if (!shown_)
        return std::nullopt;
    const auto now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - start_).count();
    if (seconds < 1.0 || now - last_ < std::chrono::milliseconds(200))
        return std::nullopt;
    last_ = now;
    return seconds;
}

void ProgressLine::Show(std::string_view text) {
    std::string line = "\r";
    line.append(text).append("\033[K");
    WriteErr(line);
    written_ = true;
}

void ProgressLine::Clear() {
    if (written_)
        WriteErr("\r\033[K");
    written_ = false;
}

} // namespace vantrel::tool
