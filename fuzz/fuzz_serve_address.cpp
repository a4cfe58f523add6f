// Any text as the value of --serve: the parser returns, and what it takes reads back the same
// from the address the page is said to be at.
#include "require.h"
#include "serve_address.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<vantrel::ServeAddress> address = vantrel::ParseServeAddress(text);
    if (!address)
        return 0;
    fuzz::Require(!address->host.empty() && address->port >= 0 && address->port <= 65535);
    // "http://" HOST ":" PORT "/" without its frame is ADDR:PORT again.
    const std::string url = vantrel::PageUrl(address->host, address->port);
    const std::optional<vantrel::ServeAddress> again =
        vantrel::ParseServeAddress(std::string_view(url).substr(7, url.size() - 8));
    fuzz::Require(again && again->host == address->host && again->port == address->port);
    return 0;
}
