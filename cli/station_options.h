// vantrel-decode's options of the live station: --serve and what goes with it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace vantrel::decode {

struct StationOptions {
    std::string serve;       // --serve [ADDR:]PORT; empty: no live page
    std::size_t history = 0; // --serve-history N; 0: not given (the station's default)
};

// --serve and --serve-history, in the help's group "Live", bound to `options`.
void AddStationOptions(CLI::App& app, StationOptions& options);

// What is wrong with them as given; nothing when they go together.
std::optional<std::string> StationProblem(const StationOptions& options);

} // namespace vantrel::decode
