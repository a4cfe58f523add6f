#include "station_options.h"

#include "live_state.h"
#include "serve_address.h"

#include <CLI/CLI.hpp>

namespace vantrel::decode {

void AddStationOptions(CLI::App& app, StationOptions& options) {
    app.add_option("--serve", options.serve,
                   "Serve a live page of the records on 127.0.0.1:PORT or ADDR:PORT")
        ->type_name("[ADDR:]PORT")
        ->group("Live")
        ->check([](const std::string& value) {
            return ParseServeAddress(value) ? std::string() : "not PORT, ADDR:PORT or [IPv6]:PORT";
        });
    app.add_option("--serve-history", options.history,
                   "Records the live page keeps for a browser opened later (default " +
                       std::to_string(DefaultServeHistory) + ")")
        ->type_name("N")
        ->group("Live")
        ->check([](const std::string& value) {
            return value.find_first_not_of("0123456789") == std::string::npos && value != "0" &&
                           value.find_first_not_of('0') != std::string::npos
                       ? std::string()
                       : "not a whole number of 1 or more";
        });
}

std::optional<std::string> StationProblem(const StationOptions& options) {
    if (options.history != 0 && options.serve.empty())
        return "--serve-history is what --serve keeps: add --serve";
    return std::nullopt;
}

} // namespace vantrel::decode
