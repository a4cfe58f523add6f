#include "progress.h"

#include "tool_output.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace vantrel::tool {

namespace {

constexpr double Megabyte = 1024.0 * 1024.0;

} // namespace

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

void FileProgress::Update(const StreamProgress& progress) {
    const std::optional<double> seconds = line_.Due();
    if (!seconds)
        return;
    // Both passes read the whole input: the rate is over what was read in all.
    const double read = static_cast<double>(progress.bytesDone) +
                        (progress.stage == "decoding" ? progress.bytesTotal : 0.0);
    char text[256];
    std::snprintf(
        text, sizeof text, "%s: %s %.1f of %.1f MB, %.0f MB/s, %lld blocks", path_.c_str(),
        std::string(progress.stage).c_str(), static_cast<double>(progress.bytesDone) / Megabyte,
        static_cast<double>(progress.bytesTotal) / Megabyte, read / Megabyte / *seconds, blocks_);
    line_.Show(text);
}

void RunProgress::Update(std::size_t filesDone, std::uint64_t bytesDone) {
    const std::optional<double> seconds = line_.Due();
    if (!seconds)
        return;
    char text[160];
    std::snprintf(text, sizeof text, "%zu of %zu files, %.1f MB, %.0f MB/s", filesDone, files_,
                  static_cast<double>(bytesDone) / Megabyte,
                  static_cast<double>(bytesDone) / Megabyte / *seconds);
    line_.Show(text);
}

} // namespace vantrel::tool
