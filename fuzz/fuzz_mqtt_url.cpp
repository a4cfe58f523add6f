// Any text as the URL of --mqtt: the reader returns a URL or a reason, never both, never
// crashes; a URL it accepts is one the broker's client can be given (a host, a port, a prefix
// without wildcards), and reading its own text again gives the same URL.
#include "mqtt_url.h"
#include "require.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto read = vantrel::ParseMqttUrl(text);
    if (const auto* reason = std::get_if<std::string>(&read)) {
        fuzz::Require(!reason->empty());
        return 0;
    }
    const vantrel::MqttUrl& url = std::get<vantrel::MqttUrl>(read);
    fuzz::Require(!url.host.empty() && url.port != 0 && !url.prefix.empty());
    fuzz::Require(url.prefix.find_first_of("+#") == std::string::npos);
    fuzz::Require(url.prefix.front() != '/' && url.prefix.back() != '/');
    fuzz::Require(url.host.find_first_of("@/") == std::string::npos);
    const auto again = vantrel::ParseMqttUrl(vantrel::MqttUrlText(url));
    const auto* same = std::get_if<vantrel::MqttUrl>(&again);
    fuzz::Require(same != nullptr && same->tls == url.tls && same->host == url.host &&
                  same->port == url.port && same->prefix == url.prefix);
    return 0;
}
