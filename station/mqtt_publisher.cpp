#include "mqtt_publisher.h"

#include "json_text.h"
#include "record_json_text.h"

#include <mosquitto.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;

// Messages handed to the client library and not yet acknowledged, at most: what a lost
// connection can leave unconfirmed, sent again after the reconnect.
constexpr std::size_t InFlightWindow = 64;
constexpr auto FirstRetry = std::chrono::seconds(1);
constexpr auto LongestRetry = std::chrono::seconds(30);
constexpr int KeepAliveSeconds = 30;
constexpr int LoopWaitMs = 100; // how long a quiet connection waits for the broker per turn
// From the attempt to the broker's acceptance, at most: an unreachable host, a broker that
// never answers.
constexpr auto AnswerWait = std::chrono::seconds(10);

struct Message {
    std::string topic;
    std::string payload;
    bool retain = false;
};

std::string EnvironmentText(const char* name) {
    // Read once at the start, before the publisher's thread exists.
    const char* value = std::getenv(name); // NOLINT(concurrency-mt-unsafe)
    return value != nullptr ? value : "";
}

// The client library's error as the problem line says it: the system's description when a
// system call failed.
std::string Describe(int code, int error) {
    if (code == MOSQ_ERR_ERRNO && error != 0)
        return std::generic_category().message(error);
    std::string text = mosquitto_strerror(code); // a sentence: "The connection was lost."
    if (text.ends_with('.'))
        text.pop_back();
    return text;
}

void InitialiseLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

} // namespace

MqttSettings MqttSettingsFromEnvironment(MqttUrl url, std::size_t buffer) {
    MqttSettings settings;
    settings.url = std::move(url);
    settings.buffer = buffer;
    settings.user = EnvironmentText("VANTREL_MQTT_USER");
    settings.password = EnvironmentText("VANTREL_MQTT_PASSWORD");
    settings.caFile = EnvironmentText("VANTREL_MQTT_CA");
    return settings;
}

std::string MqttRecordPayload(const DecodedRecord& record) {
    std::string out;
    out.reserve(1024);
    AppendRecordJsonUntilLog(out, record);
    out += RecordJsonAfterLog;
    return out;
}

std::string MqttPositionPayload(const DecodedRecord& record) {
    std::string out;
    JsonOut json(out);
    json.Open('{');
    json.Key("address");
    json.Latin1(record.info.FromAddr);
    json.Key("latitude");
    json.Real(record.nmea->latitude);
    json.Key("longitude");
    json.Real(record.nmea->longitude);
    const std::string& utc = record.source.heard && !record.source.heard->utc.empty()
                                 ? record.source.heard->utc
                                 : record.source.finalAt;
    if (!utc.empty()) {
        json.Key("utc");
        json.Utf8(utc);
    }
    json.Close('}');
    return out;
}

// The connection's thread and what it shares with the callers. The client library's
// callbacks run on that thread, inside mosquitto_loop.
struct MqttPublisher::Link {
    MqttSettings settings;
    Notice notice;
    std::string where; // the URL as the lines name it

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Message> pending;     // not yet handed to the client library
    std::map<int, Message> inFlight; // handed over, by message id, not acknowledged
    MqttCounts counts;
    bool stopping = false;
    Clock::duration flushWait{};    // while stopping: how long to wait for an acknowledgement
    Clock::time_point lastProgress; // the broker's last acknowledgement, or the stop
    std::thread thread;

    // Only the thread touches these.
    mosquitto* client = nullptr;
    bool connected = false;   // the broker accepted the connection
    bool socketReady = false; // the connection under way reached the broker's port
    std::string refusal;      // why the broker refused it, when it did
    bool outageSaid = false;  // the line about the broker being away was written
    std::chrono::seconds retry = FirstRetry;

    void Run();
    bool Connect();
    bool Connecting(Clock::time_point since);
    void Drop(const std::string& reason);
    void SendPending();
    void TrimLocked();
    bool Finished();
};

void MqttPublisher::Link::TrimLocked() {
    while (pending.size() > settings.buffer) {
        pending.pop_front();
        ++counts.dropped;
    }
}

// A new client for every connection: a lost connection's unacknowledged messages come back to
// the buffer (Drop), and no copy of them stays behind in the library to be sent twice more.
bool MqttPublisher::Link::Connect() {
    client = mosquitto_new(nullptr, true, this);
    if (client == nullptr) {
        Drop(std::generic_category().message(errno != 0 ? errno : ENOMEM));
        return false;
    }
    mosquitto_connect_callback_set(client, [](mosquitto*, void* self, int code) {
        auto& link = *static_cast<Link*>(self);
        if (code != 0) {
            link.refusal = mosquitto_connack_string(code);
            return;
        }
        link.connected = true;
        link.retry = FirstRetry;
        if (link.outageSaid)
            link.notice(link.where + ": connected again");
        link.outageSaid = false;
    });
    mosquitto_publish_callback_set(client, [](mosquitto*, void* self, int mid) {
        auto& link = *static_cast<Link*>(self);
        std::lock_guard lock(link.mutex);
        if (link.inFlight.erase(mid) > 0) {
            ++link.counts.published;
            link.lastProgress = Clock::now();
        }
    });
    if (!settings.user.empty())
        mosquitto_username_pw_set(client, settings.user.c_str(),
                                  settings.password.empty() ? nullptr : settings.password.c_str());
    if (settings.url.tls) {
        const int code = settings.caFile.empty()
                             ? mosquitto_int_option(client, MOSQ_OPT_TLS_USE_OS_CERTS, 1)
                             : mosquitto_tls_set(client, settings.caFile.c_str(), nullptr, nullptr,
                                                 nullptr, nullptr);
        if (code != MOSQ_ERR_SUCCESS) {
            Drop(Describe(code, errno));
            return false;
        }
    }
    errno = 0;
    const int code = mosquitto_connect_async(client, settings.url.host.c_str(), settings.url.port,
                                             KeepAliveSeconds);
    if (code != MOSQ_ERR_SUCCESS) {
        Drop(Describe(code, errno));
        return false;
    }
    return true;
}

// The connection is gone (or never came): one line per outage, the unacknowledged messages
// back to the front of the buffer, and the next attempt after a growing pause.
void MqttPublisher::Link::Drop(const std::string& reason) {
    if (client != nullptr)
        mosquitto_destroy(client);
    client = nullptr;
    connected = false;
    refusal.clear();
    {
        std::lock_guard lock(mutex);
        for (auto it = inFlight.rbegin(); it != inFlight.rend(); ++it)
            pending.push_front(std::move(it->second));
        inFlight.clear();
        TrimLocked();
    }
    if (!outageSaid)
        notice(where + ": " + reason + "; reconnecting, keeping up to " +
               std::to_string(settings.buffer) + " records meanwhile");
    outageSaid = true;
}

void MqttPublisher::Link::SendPending() {
    for (;;) {
        Message message;
        {
            std::lock_guard lock(mutex);
            if (pending.empty() || inFlight.size() >= InFlightWindow)
                return;
            message = std::move(pending.front());
            pending.pop_front();
        }
        int mid = 0;
        const int code = mosquitto_publish(client, &mid, message.topic.c_str(),
                                           static_cast<int>(message.payload.size()),
                                           message.payload.data(), 1, message.retain);
        std::lock_guard lock(mutex);
        if (code != MOSQ_ERR_SUCCESS) {
            pending.push_front(std::move(message));
            return;
        }
        inFlight.emplace(mid, std::move(message));
    }
}

// While stopping: done when everything was acknowledged, or when the broker has given no
// acknowledgement for the time the caller allowed.
bool MqttPublisher::Link::Finished() {
    std::lock_guard lock(mutex);
    if (!stopping)
        return false;
    if (pending.empty() && inFlight.empty())
        return true;
    return Clock::now() >= lastProgress + flushWait;
}

// Where a connection under way stands, before the broker answers: the connection is made
// without waiting (so closing never waits for an unreachable host), and the TLS layer of the
// client library hides a refused one, so the socket itself is asked. Returns false when the
// attempt has failed (Drop said why).
bool MqttPublisher::Link::Connecting(Clock::time_point since) {
    if (Clock::now() - since > AnswerWait) {
        Drop("no answer from the broker within " +
             std::to_string(std::chrono::seconds(AnswerWait).count()) + " s");
        return false;
    }
    if (socketReady)
        return true;
    pollfd socket{mosquitto_socket(client), POLLOUT, 0};
    if (socket.fd < 0 || poll(&socket, 1, LoopWaitMs) <= 0)
        return true; // not yet
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(socket.fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error != 0) {
        Drop(std::generic_category().message(error));
        return false;
    }
    // The TLS layer may have taken the error already: a socket with no peer never connected.
    sockaddr_storage peer{};
    size = sizeof peer;
    if (getpeername(socket.fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0) {
        Drop("no connection to the broker's port (refused or unreachable)");
        return false;
    }
    socketReady = true;
    return true;
}

void MqttPublisher::Link::Run() {
    Clock::time_point nextAttempt = Clock::now();
    Clock::time_point attempt = nextAttempt;
    while (!Finished()) {
        if (client == nullptr) {
            std::unique_lock lock(mutex);
            if (Clock::now() < nextAttempt && !stopping) {
                wake.wait_until(lock, nextAttempt);
                continue;
            }
            if (stopping && Clock::now() < nextAttempt) {
                wake.wait_until(lock, std::min(nextAttempt, lastProgress + flushWait));
                continue;
            }
            lock.unlock();
            attempt = Clock::now();
            socketReady = false;
            if (!Connect()) {
                nextAttempt = Clock::now() + retry;
                retry = std::min(retry * 2, LongestRetry);
            }
            continue;
        }
        if (!connected && !Connecting(attempt)) {
            nextAttempt = Clock::now() + retry;
            retry = std::min(retry * 2, LongestRetry);
            continue;
        }
        if (connected)
            SendPending();
        errno = 0;
        const Clock::time_point turn = Clock::now();
        const int code = mosquitto_loop(client, LoopWaitMs, 1);
        // Until the broker answers, a turn that returned at once is not repeated at once: the
        // TLS layer reports a handshake under way that way.
        if (!connected && Clock::now() - turn < std::chrono::milliseconds(LoopWaitMs / 2))
            std::this_thread::sleep_for(std::chrono::milliseconds(LoopWaitMs / 2));
        if (code != MOSQ_ERR_SUCCESS || !refusal.empty()) {
            Drop(!refusal.empty() ? "refused: " + refusal : Describe(code, errno));
            nextAttempt = Clock::now() + retry;
            retry = std::min(retry * 2, LongestRetry);
        }
    }
    if (client != nullptr) {
        mosquitto_disconnect(client);
        mosquitto_loop(client, LoopWaitMs, 1);
        mosquitto_destroy(client);
        client = nullptr;
    }
}

MqttPublisher::MqttPublisher(MqttSettings settings, Notice notice)
    : link_(std::make_unique<Link>()) {
    InitialiseLibraryOnce();
    link_->settings = std::move(settings);
    link_->notice = std::move(notice);
    link_->where = MqttUrlText(link_->settings.url);
    link_->lastProgress = Clock::now();
    link_->thread = std::thread([link = link_.get()] { link->Run(); });
}

MqttPublisher::~MqttPublisher() {
    Close(std::chrono::milliseconds(0));
}

void MqttPublisher::Publish(const DecodedRecord& record) {
    Message message{link_->settings.url.prefix + "/record", MqttRecordPayload(record), false};
    Message position;
    const bool positioned = record.positionTrusted();
    if (positioned)
        position = {link_->settings.url.prefix + "/unit/" + record.info.FromAddr + "/position",
                    MqttPositionPayload(record), true};
    std::lock_guard lock(link_->mutex);
    link_->pending.push_back(std::move(message));
    if (positioned)
        link_->pending.push_back(std::move(position));
    link_->TrimLocked();
}

MqttCounts MqttPublisher::Close(std::chrono::milliseconds wait) {
    {
        std::lock_guard lock(link_->mutex);
        if (!link_->thread.joinable())
            return link_->counts;
        link_->stopping = true;
        link_->flushWait = wait;
        link_->lastProgress = Clock::now();
    }
    link_->wake.notify_all();
    link_->thread.join();
    std::lock_guard lock(link_->mutex);
    link_->counts.undelivered = link_->pending.size() + link_->inFlight.size();
    return link_->counts;
}

} // namespace vantrel
