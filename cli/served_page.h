// --serve for vantrel-decode: the station and its server listening before the run, handed
// every final record of it, and serving the finished run's page after it until Ctrl-C or
// SIGTERM. The decode never waits for it (station/station.h).
#pragma once

#include "page_server.h"
#include "station.h"
#include "station_options.h"

#include <functional>
#include <string>

namespace vantrel::decode {

class ServedPage {
public:
    // Listens as `options` ask and says where on standard error (and that the page can be
    // reached from the network when it can); throws ServeError when it cannot listen.
    explicit ServedPage(const StationOptions& options);

    // What the run hands each final record to, from whichever thread decodes it.
    std::function<void(const DecodedRecord&)> Listener();
    // The history of the database at `path` (--db), when it exists: the records the page
    // keeps and every unit. One that cannot be read is said in one line, and the page starts
    // without it.
    void LoadHistory(const std::string& path);

    // After the run: the pages get the finished run; then, unless a stop was asked for
    // already (follow mode's Ctrl-C), the page stays until one is.
    void ServeOn();

private:
    std::size_t history_;
    Station station_;
    PageServer server_;
    std::string url_;
};

} // namespace vantrel::decode
