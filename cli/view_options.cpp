#include "view_options.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <string_view>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDOUT_FILENO 1
#else
#include <unistd.h>
#endif

namespace vantrel::decode {

namespace {

// The formats that show clock times to a person.
bool ShowsClockTimes(std::string_view format) {
    return format == "brief" || format == "html";
}

} // namespace

void AddViewOptions(CLI::App& app, ViewOptions& view) {
    app.add_flag("--utc", view.utc, "Clock times of brief and html in UTC, not the local time")
        ->group("Output");
}

std::optional<std::string> ViewProblem(const ViewOptions& view, std::string_view format) {
    if (view.utc && !ShowsClockTimes(format))
        return "--utc is for the clock times of --format brief and html; the records carry "
               "UTC already";
    return std::nullopt;
}

bool ColourWanted(bool terminal, const char* noColor, const char* term) {
    if (!terminal)
        return false;
    if (noColor != nullptr && *noColor != '\0')
        return false;
    return term == nullptr || std::string_view(term) != "dumb";
}

bool ColourOnStandardOutput() {
    return ColourWanted(isatty(STDOUT_FILENO) != 0, std::getenv("NO_COLOR"), std::getenv("TERM"));
}

void SetViewOptions(const ViewOptions& view, std::string_view format, WriterOptions& writer) {
    writer.utc = view.utc;
    writer.colour = format == "brief" && ColourOnStandardOutput();
}

} // namespace vantrel::decode
