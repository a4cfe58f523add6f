// --mqtt: every record to an MQTT broker, as it becomes final. The only code that knows the
// broker's client library (libmosquitto). A thread of its own talks to the broker, so the
// decode never waits for it: a record is queued in memory, sent when the broker is there and
// kept until the broker has acknowledged it (QoS 1, so a record may arrive twice after a
// reconnect, never not at all while the buffer holds it).
#pragma once

#include "decoded_record.h"
#include "mqtt_url.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vantrel {

// What the publisher is given: where, how many records it keeps while the broker is away,
// and the credentials, which come from the environment only (never the command line, which
// every user of the machine can read).
struct MqttSettings {
    MqttUrl url;
    std::size_t buffer = 0; // records kept while the broker is away; past it the oldest go
    std::string user;       // VANTREL_MQTT_USER; empty: none
    std::string password;   // VANTREL_MQTT_PASSWORD
    std::string caFile;     // VANTREL_MQTT_CA: a CA certificate for mqtts://, else the system's
};

// The settings with the credentials of the environment variables above.
MqttSettings MqttSettingsFromEnvironment(MqttUrl url, std::size_t buffer);

struct MqttCounts {
    std::uint64_t published = 0;   // acknowledged by the broker
    std::uint64_t dropped = 0;     // the oldest, pushed out of a full buffer
    std::uint64_t undelivered = 0; // still buffered when the publisher was closed
};

class MqttPublisher {
public:
    // `notice` takes a line (without its end) from the publisher's thread: the broker is away
    // and why, and that it is back.
    using Notice = std::function<void(std::string_view)>;
    MqttPublisher(MqttSettings settings, Notice notice);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Queues the record for PREFIX/record and, for a position its unit is vouched for, the
    // unit's last position (retained) for PREFIX/unit/ADDR/position. Never waits for the
    // broker; safe from any thread.
    void Publish(const DecodedRecord& record);

    // Sends what is buffered for at most `wait` once nothing more arrives, then disconnects.
    // Idempotent; the destructor closes with no wait.
    MqttCounts Close(std::chrono::milliseconds wait);

private:
    struct Link;
    std::unique_ptr<Link> link_;
};

// The payload of PREFIX/record: the record's JSON object as a JSON Lines line carries it,
// made by the record writers' code, but with an empty Log: a log can hold a long stretch of
// the input, and a subscriber gets the same object whatever format the run writes.
std::string MqttRecordPayload(const DecodedRecord& record);

// The retained payload of a unit's last position: its address, the position named as Home
// Assistant's device trackers read it, and the clock time when known.
std::string MqttPositionPayload(const DecodedRecord& record);

} // namespace vantrel
