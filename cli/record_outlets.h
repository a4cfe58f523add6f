// Where vantrel-decode's final records go besides standard output: the broker of --mqtt and
// the database of --db. They are views: a broker away or a database lost is said in one line
// and never stops the records on standard output; a database that could not be written, or
// records the broker never got, make the exit status 1 (a file that could not be written).
#pragma once

#include "decoded_record.h"
#include "mqtt_publisher.h"
#include "store_options.h"
#include "store_writer.h"

#include <functional>
#include <memory>
#include <string>

namespace vantrel::decode {

class RecordOutlets {
public:
    // Opens what the options name; a database that cannot be opened is said in one line (and
    // the run goes on without it). `inputs`: the run's inputs as given, for the runs table.
    RecordOutlets(const StoreOptions& options, const std::string& inputs);
    ~RecordOutlets();

    // The listener for OutputTarget::finalRecord: the outlets, then `also` (the live page);
    // empty when there is neither. Safe from several threads (-j) when `also` is.
    std::function<void(const DecodedRecord&)>
    Listener(std::function<void(const DecodedRecord&)> also = {});

    // Closes them after the run: with `stats`, their counts on standard error. Returns the
    // exit status they call for: 0, or ExitFileError.
    int Close(bool stats);

private:
    std::string mqttWhere_;
    std::unique_ptr<MqttPublisher> mqtt_;
    std::string dbPath_;
    std::unique_ptr<StoreWriter> db_;
    bool failed_ = false;
};

} // namespace vantrel::decode
