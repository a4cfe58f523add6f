// How a person reads the records: --utc for the clock times of brief and the page, and colour
// for brief when standard output is a terminal (the program knows the terminal; the writer
// only takes the choice, WriterOptions::colour).
#pragma once

#include "record_writer.h"

#include <optional>
#include <string>
#include <string_view>

namespace CLI {
class App;
}

namespace vantrel::decode {

struct ViewOptions {
    bool utc = false;
};

// --utc, in the "Output" group.
void AddViewOptions(CLI::App& app, ViewOptions& view);

// --utc with a format that shows no clock time.
std::optional<std::string> ViewProblem(const ViewOptions& view, std::string_view format);

// Colour, by the rule of no-color.org: only on a terminal, never when NO_COLOR is set to
// anything but an empty text, nor on a terminal that takes no escape sequences (TERM=dumb).
// `noColor` and `term` are those variables, null when unset.
bool ColourWanted(bool terminal, const char* noColor, const char* term);
// The same for this program's standard output and environment.
bool ColourOnStandardOutput();

// What the options tell the writers, besides csv's cells.
void SetViewOptions(const ViewOptions& view, std::string_view format, WriterOptions& writer);

} // namespace vantrel::decode
