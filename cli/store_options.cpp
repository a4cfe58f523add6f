#include "store_options.h"

#include "mqtt_url.h"
#include "program_options.h"

#include <CLI/CLI.hpp>

#include <variant>

namespace vantrel::decode {

void AddStoreOptions(CLI::App& app, StoreOptions& options) {
    app.add_option("--mqtt", options.mqtt,
                   "Publish every record to an MQTT broker: mqtt[s]://host[:port]/prefix")
        ->type_name("URL")
        ->group("Live")
        ->check([](const std::string& value) {
            const auto url = ParseMqttUrl(value);
            return std::holds_alternative<std::string>(url) ? std::get<std::string>(url)
                                                            : std::string();
        });
    app.add_option_function<std::size_t>(
           "--mqtt-buffer",
           [&options](std::size_t value) {
               options.mqttBuffer = value;
               options.mqttBufferGiven = true;
           },
           "Records held while the broker is away (default 10000)")
        ->type_name("N")
        ->group("Live")
        ->check(tool::PositiveNumber());
    app.add_option("--db", options.db, "Store every record, once, in an SQLite database")
        ->type_name("FILE")
        ->group("Live");
}

std::optional<std::string> StoreProblem(const StoreOptions& options) {
    if (options.mqttBufferGiven && options.mqtt.empty())
        return "--mqtt-buffer is the buffer of --mqtt: add --mqtt URL";
    return std::nullopt;
}

} // namespace vantrel::decode
