#include "tool_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vantrel::tool {

namespace {

[[noreturn]] void ThrowOutputError() {
    const int error = errno != 0 ? errno : EIO;
    throw OutputError(error, std::strerror(error));
}

} // namespace

void WriteOut(std::string_view text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        ThrowOutputError();
}

void FlushOut() {
    errno = 0;
    if (std::fflush(stdout) != 0)
        ThrowOutputError();
}

void WriteErr(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
}

std::string ProgramLine(std::string_view program, std::string_view text) {
    std::string line(program);
    line.append(": ").append(text).append(LineEnd);
    return line;
}

std::string ProblemLine(std::string_view program, std::string_view path,
                        std::string_view description) {
    std::string text(path);
    text.append(": ").append(description);
    return ProgramLine(program, text);
}

std::string WithCrLf(std::string_view text) {
    std::string converted;
    converted.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n' && (converted.empty() || converted.back() != '\r'))
            converted.push_back('\r');
        converted.push_back(c);
    }
    return converted;
}

int UsageError(std::string_view program, std::string_view message, std::string_view usage) {
    WriteErr(ProgramLine(program, message) + std::string(usage) + std::string(UsageHint));
    return ExitUsage;
}

} // namespace vantrel::tool
