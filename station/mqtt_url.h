// Where --mqtt publishes: mqtt://host[:port]/prefix, or mqtts:// for TLS. Read here once, so
// the broker's client and the command line agree on what a URL means.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace vantrel {

struct MqttUrl {
    bool tls = false;
    std::string host;       // a name or an address; an IPv6 address without its brackets
    std::uint16_t port = 0; // 1883, or 8883 for TLS, when the URL names none
    std::string prefix;     // the topics' first levels: PREFIX/record, PREFIX/unit/ADDR/...
};

inline constexpr std::uint16_t MqttPort = 1883;
inline constexpr std::uint16_t MqttTlsPort = 8883;

// The URL, or what is wrong with it in a few words (for the line that names the option).
// Credentials never come from the URL: the environment gives them (docs/mqtt.md), so a
// URL holding "user@" is refused rather than shown in a process list.
std::variant<MqttUrl, std::string> ParseMqttUrl(std::string_view text);

// "mqtt://host:port/prefix": the URL as the problem lines name it (IPv6 in brackets).
std::string MqttUrlText(const MqttUrl& url);

} // namespace vantrel
