#include "mqtt_url.h"

#include <algorithm>
#include <charconv>

namespace vantrel {

namespace {

constexpr std::string_view PlainScheme = "mqtt://";
constexpr std::string_view TlsScheme = "mqtts://";

bool HostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

bool Ipv6Character(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
           c == '.';
}

// A topic level of the prefix: not empty, and none of the characters a subscription treats
// as wildcards (+, #), nor a control character.
bool PlainTopicLevel(std::string_view level) {
    return !level.empty() && std::ranges::none_of(level, [](char c) {
        return c == '+' || c == '#' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
}

} // namespace

std::variant<MqttUrl, std::string> ParseMqttUrl(std::string_view text) {
    MqttUrl url;
    if (text.starts_with(PlainScheme)) {
        text.remove_prefix(PlainScheme.size());
    } else if (text.starts_with(TlsScheme)) {
        url.tls = true;
        text.remove_prefix(TlsScheme.size());
    } else {
        return std::string("not an mqtt:// or mqtts:// URL");
    }
    const std::size_t slash = text.find('/');
    std::string_view authority = text.substr(0, slash);
    if (authority.find('@') != std::string_view::npos)
        return std::string("the URL holds a user: give it in VANTREL_MQTT_USER and "
                           "VANTREL_MQTT_PASSWORD instead");
    std::string_view port;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return std::string("an IPv6 address without its closing ]");
        url.host = authority.substr(1, close - 1);
        if (!std::ranges::all_of(url.host, Ipv6Character))
            return std::string("not an IPv6 address between [ and ]");
        authority.remove_prefix(close + 1);
        if (!authority.empty() && !authority.starts_with(':'))
            return std::string("something after the IPv6 address that is not :port");
        port = authority.empty() ? authority : authority.substr(1);
        if (authority.starts_with(':') && port.empty())
            return std::string("no port after the :");
    } else {
        const std::size_t colon = authority.find(':');
        url.host = authority.substr(0, colon);
        if (!std::ranges::all_of(url.host, HostCharacter))
            return std::string("the host name holds a character a host name cannot");
        if (colon != std::string_view::npos) {
            port = authority.substr(colon + 1);
            if (port.empty())
                return std::string("no port after the :");
        }
    }
    if (url.host.empty())
        return std::string("no host");
    url.port = url.tls ? MqttTlsPort : MqttPort;
    if (!port.empty()) {
        unsigned value = 0;
        const auto read = std::from_chars(port.data(), port.data() + port.size(), value);
        if (read.ec != std::errc() || read.ptr != port.data() + port.size() || value == 0 ||
            value > 65535)
            return std::string("the port is not a number from 1 to 65535");
        url.port = static_cast<std::uint16_t>(value);
    }
    if (slash == std::string_view::npos || slash + 1 == text.size())
        return std::string("no topic prefix: mqtt://host[:port]/prefix");
    const std::string_view prefix = text.substr(slash + 1);
    for (std::size_t from = 0;;) {
        const std::size_t to = prefix.find('/', from);
        if (!PlainTopicLevel(prefix.substr(from, to - from)))
            return std::string("the topic prefix has an empty level, a + or # or a control "
                               "character");
        if (to == std::string_view::npos)
            break;
        from = to + 1;
    }
    url.prefix = prefix;
    return url;
}

std::string MqttUrlText(const MqttUrl& url) {
    std::string text = url.tls ? "mqtts://" : "mqtt://";
    if (url.host.find(':') != std::string::npos)
        text.append("[").append(url.host).append("]");
    else
        text.append(url.host);
    return text.append(":").append(std::to_string(url.port)).append("/").append(url.prefix);
}

} // namespace vantrel
