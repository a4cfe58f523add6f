// The live page's HTTP server, the only code that knows the HTTP library. Read-only: GET
// serves the page (/), its event stream (/events), the state as JSON (/state.json) and the
// plain plot (/plot.svg); any other path is 404, any other method 405. It answers only to
// the names the page was given under while it listens on loopback, so that a web site
// resolving its own name to this machine cannot read it.
#pragma once

#include "serve_address.h"
#include "station.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantrel {

class PageServer {
public:
    // `warn` takes a line for standard error (a page that stopped reading).
    PageServer(Station& station, std::function<void(std::string_view)> warn);
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // Listens on `address` and serves from threads of its own. Returns the port (the free one
    // taken for port 0); throws ServeError with the system's reason when it cannot listen.
    int Start(const ServeAddress& address);
    // Ends every stream and the listening; the station then sends nothing. Idempotent.
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The page could not be served (the address cannot be bound, the port is taken).
class ServeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace vantrel
