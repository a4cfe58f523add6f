#include "station_options.h"

#include "live_state.h"
#include "program_options.h"
#include "serve_address.h"

#include <CLI/CLI.hpp>

namespace vantrel::decode {

void AddStationOptions(CLI::App& app, StationOptions& options) {
    app.add_option("--serve", options.serve,
                   "Serve a live page of the records on 127.0.0.1:PORT or ADDR:PORT")
        ->option_text("[ADDR:]PORT")
        ->group("Live")
        ->check([](const std::string& value) {
            return ParseServeAddress(value) ? std::string() : "not PORT, ADDR:PORT or [IPv6]:PORT";
        });
    app.add_option("--serve-history", options.history,
                   "Records the live page keeps for a browser opened later (default " +
                       std::to_string(DefaultServeHistory) + ")")
        ->check(tool::PositiveNumber())
        ->option_text("N")
        ->group("Live");
}

std::optional<std::string> StationProblem(const StationOptions& options) {
    if (options.history != 0 && options.serve.empty())
        return "--serve-history is what --serve keeps: add --serve";
    return std::nullopt;
}

} // namespace vantrel::decode
