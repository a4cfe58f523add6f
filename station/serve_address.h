// Where the live page listens: an address and a port, as --serve takes them. Loopback is the
// default, because the page shows everything a receiver hears to whoever can reach it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

inline constexpr std::string_view LoopbackHost = "127.0.0.1";

struct ServeAddress {
    std::string host{LoopbackHost}; // a name or a numeric address, IPv6 without brackets
    int port = 0;                   // 0: any free port, told when bound
};

// "PORT", "ADDR:PORT" or "[ADDR]:PORT" (IPv6); nothing when the text is none of these or the
// port is beyond 65535. Whether ADDR can be bound is only known when it is.
std::optional<ServeAddress> ParseServeAddress(std::string_view text);

// Only this machine can reach the address: 127.0.0.0/8, ::1 or "localhost".
bool IsLoopback(std::string_view host);

// "http://HOST:PORT/", the host in brackets when it is an IPv6 address.
std::string PageUrl(std::string_view host, int port);

} // namespace vantrel
