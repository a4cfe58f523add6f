// What the command-line programs write themselves: their output, their problem lines and
// their exit status, the same way in every program.
#pragma once

#include "file_error.h"

#include <string>
#include <string_view>

namespace vantrel::tool {

// Every line a program writes itself ends in CR LF, like the reports.
inline constexpr std::string_view LineEnd = "\r\n";

inline constexpr int ExitFileError = 1; // some file could not be read or written
inline constexpr int ExitUsage = 2;     // the command line was wrong

// Standard output itself failed (a full disk, a closed pipe): nothing further can be
// delivered. `error` is the system's error number.
class OutputError : public FileError {
public:
    OutputError(int error, std::string description)
        : FileError("standard output", std::move(description)), error(error) {}
    int error;
};

// Throw OutputError when standard output fails.
void WriteOut(std::string_view text);
void FlushOut();

void WriteErr(std::string_view text);

// "PROGRAM: TEXT" and CR LF: every line a program writes to standard error.
std::string ProgramLine(std::string_view program, std::string_view text);

// "PROGRAM: PATH: DESCRIPTION" and CR LF: the form of every problem line.
std::string ProblemLine(std::string_view program, std::string_view path,
                        std::string_view description);

// The argument parser writes LF alone; the programs' own texts end their lines in CR LF.
std::string WithCrLf(std::string_view text);

// The line after the usage in every usage error.
inline constexpr std::string_view UsageHint = "Run with --help for more information.\r\n";

// Writes "PROGRAM: MESSAGE", the usage lines and the hint at --help to standard error; returns
// ExitUsage.
int UsageError(std::string_view program, std::string_view message, std::string_view usage);

} // namespace vantrel::tool
