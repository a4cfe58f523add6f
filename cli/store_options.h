// vantrel-decode's options that hand every record to a broker (--mqtt, --mqtt-buffer) and to a
// database (--db), and what is wrong with them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace vantrel::decode {

// Records kept while the broker is away: at 1-2 KB a record, 10-20 MB, a few hours of a
// busy channel.
inline constexpr std::size_t DefaultMqttBuffer = 10000;

struct StoreOptions {
    std::string mqtt; // mqtt[s]://host[:port]/prefix
    std::size_t mqttBuffer = DefaultMqttBuffer;
    bool mqttBufferGiven = false;
    std::string db; // an SQLite database file
};

// The options, in the help's group "Live".
void AddStoreOptions(CLI::App& app, StoreOptions& options);

// What is wrong with the options together; nothing when they go.
std::optional<std::string> StoreProblem(const StoreOptions& options);

} // namespace vantrel::decode
