// What both programs do with their command lines the same way: help, version and parse
// errors, and the choice of the tone polarity.
#pragma once

#include "demodulator.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace vantrel::tool {

// The answers --invert takes: auto (from the sync patterns), yes (1800 Hz is "1"), no.
CLI::IsMember InvertChoices();
demod::Polarity PolarityByName(const std::string& invert);

// Parses the command line. Answers --help (the help on standard output) and --version, and
// reports a parse error with `usage`: then returns the exit status; nothing when the program
// goes on. Throws OutputError when standard output fails.
std::optional<int> ParseArguments(CLI::App& app, int argc, char** argv, std::string_view program,
                                  std::string_view usage);

} // namespace vantrel::tool
