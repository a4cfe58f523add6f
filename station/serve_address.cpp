#include "serve_address.h"

#include <arpa/inet.h>

#include <charconv>

namespace vantrel {

namespace {

std::optional<int> PortOf(std::string_view digits) {
    int port = -1;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (error != std::errc() || end != digits.data() + digits.size() || port < 0 || port > 65535)
        return std::nullopt;
    return port;
}

// A host a name or address could be: no blanks, no brackets, no slash, not empty.
bool PlausibleHost(std::string_view host) {
    if (host.empty())
        return false;
    for (const char c : host)
        if (static_cast<unsigned char>(c) <= ' ' || c == '[' || c == ']' || c == '/' || c == '@')
            return false;
    return true;
}

} // namespace

std::optional<ServeAddress> ParseServeAddress(std::string_view text) {
    ServeAddress address;
    std::string_view port = text;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find("]:");
        if (close == std::string_view::npos)
            return std::nullopt;
        address.host = text.substr(1, close - 1);
        port = text.substr(close + 2);
        in6_addr six{};
        if (inet_pton(AF_INET6, address.host.c_str(), &six) != 1)
            return std::nullopt;
    } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        address.host = text.substr(0, colon);
        port = text.substr(colon + 1);
        // A bare IPv6 address would leave its port unclear: it takes brackets.
        if (address.host.find(':') != std::string::npos || !PlausibleHost(address.host))
            return std::nullopt;
    }
    const std::optional<int> number = PortOf(port);
    if (!number)
        return std::nullopt;
    address.port = *number;
    return address;
}

bool IsLoopback(std::string_view host) {
    if (host == "localhost")
        return true;
    const std::string text(host);
    in_addr four{};
    if (inet_pton(AF_INET, text.c_str(), &four) == 1)
        return (ntohl(four.s_addr) >> 24) == 127;
    in6_addr six{};
    return inet_pton(AF_INET6, text.c_str(), &six) == 1 && IN6_IS_ADDR_LOOPBACK(&six);
}

std::string PageUrl(std::string_view host, int port) {
    const bool six = host.find(':') != std::string_view::npos;
    std::string url = "http://";
    url += six ? "[" : "";
    url += host;
    url += six ? "]:" : ":";
    url += std::to_string(port);
    url += '/';
    return url;
}

} // namespace vantrel
