// --mqtt against a real broker the test starts on a loopback port: a broker that goes away in
// the middle of a run and comes back loses nothing the buffer holds; a full buffer drops the
// oldest; a unit's last position stays on the broker for whoever subscribes later.
#include "mqtt_publisher.h"
#include "store_records.h"

#include <gtest/gtest.h>
#include <mosquitto.h>
#include <nlohmann/json.hpp>

#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A port on 127.0.0.1 nobody listens on now.
std::uint16_t FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    close(s);
    return ntohs(address.sin_port);
}

// mosquitto on 127.0.0.1 only, keeping its sessions on disk so that a subscriber's queue
// outlives a restart; it ends with the test, even one that crashes (the parent's death
// signal).
class Broker {
public:
    Broker(const fs::path& folder, std::uint16_t port) : folder_(folder), port_(port) {
        std::ofstream(folder / "broker.conf")
            << "listener " << port << " 127.0.0.1\nallow_anonymous true\npersistence true\n"
            << "persistence_location " << folder.string() << "/\n";
        Start();
    }
    ~Broker() { Stop(); }
    void Start() {
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const std::string conf = (folder_ / "broker.conf").string();
            const std::string log = (folder_ / "broker.log").string();
            if (freopen(log.c_str(), "a", stderr) == nullptr)
                _exit(126);
            execl(MOSQUITTO_BROKER, "mosquitto", "-c", conf.c_str(), nullptr);
            _exit(127);
        }
        // Listening before the test goes on (5 s at most), so no test depends on a retry.
        for (int attempt = 0; attempt < 100; ++attempt) {
            const int s = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(port_);
            const bool up = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
            close(s);
            if (up)
                return;
            std::this_thread::sleep_for(50ms);
        }
    }
    void Stop() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    fs::path folder_;
    std::uint16_t port_;
    pid_t pid_ = -1;
};

// A subscriber through the client library, collecting the record numbers and the retained
// positions it is given; it reconnects by itself, its session kept by the broker.
class Subscriber {
public:
    Subscriber(std::uint16_t port, const std::string& id, const std::string& topic) {
        mosquitto_lib_init();
        client_ = mosquitto_new(id.c_str(), false, this);
        mosquitto_reconnect_delay_set(client_, 1, 1, false);
        mosquitto_connect_callback_set(client_, [](mosquitto* m, void* self, int code) {
            if (code == 0)
                mosquitto_subscribe(m, nullptr, static_cast<Subscriber*>(self)->topic_.c_str(), 1);
        });
        mosquitto_subscribe_callback_set(client_, [](mosquitto*, void* self, int, int, const int*) {
            auto& s = *static_cast<Subscriber*>(self);
            std::lock_guard lock(s.mutex_);
            s.subscribed_ = true;
            s.changed_.notify_all();
        });
        mosquitto_message_callback_set(
            client_, [](mosquitto*, void* self, const mosquitto_message* m) {
                auto& s = *static_cast<Subscriber*>(self);
                const std::string payload(static_cast<const char*>(m->payload),
                                          static_cast<std::size_t>(m->payloadlen));
                std::lock_guard lock(s.mutex_);
                s.payloads_.push_back(payload);
                const auto json = nlohmann::json::parse(payload, nullptr, false);
                if (json.contains("number"))
                    s.numbers_.insert(json["number"].get<int>());
                s.changed_.notify_all();
            });
        topic_ = topic;
        mosquitto_connect(client_, "127.0.0.1", port, 10);
        mosquitto_loop_start(client_);
    }
    ~Subscriber() {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, true);
        mosquitto_destroy(client_);
    }
    bool WaitSubscribed() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [this] { return subscribed_; });
    }
    // Waits up to 15 s for `count` different numbers.
    std::set<int> WaitNumbers(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 15s, [&] { return numbers_.size() >= count; });
        return numbers_;
    }
    std::vector<std::string> WaitPayloads(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 10s, [&] { return payloads_.size() >= count; });
        return payloads_;
    }

private:
    mosquitto* client_ = nullptr;
    std::string topic_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool subscribed_ = false;
    std::set<int> numbers_;
    std::vector<std::string> payloads_;
};

class MqttBrokerTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("vantrel-mqtt-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        // A broker started by root runs as its own user, which must be able to keep its
        // sessions here.
        fs::permissions(folder_, fs::perms::all);
        port_ = FreePort();
    }
    void TearDown() override { fs::remove_all(folder_); }

    MqttSettings Settings(std::size_t buffer) const {
        MqttSettings settings;
        settings.url = {false, "127.0.0.1", port_, "test/radio"};
        settings.buffer = buffer;
        return settings;
    }

    // Record `number`: the test's call, numbered.
    static DecodedRecord Numbered(int number) {
        DecodedRecord record = test::RecordsOf(test::MixedBits(), {})[0];
        record.number = number;
        return record;
    }

    fs::path folder_;
    std::uint16_t port_ = 0;
    std::vector<std::string> notices_;
    std::mutex noticesMutex_;
    MqttPublisher::Notice Notice() {
        return [this](std::string_view line) {
            std::lock_guard lock(noticesMutex_);
            notices_.emplace_back(line);
        };
    }
};

std::set<int> Range(int from, int to) {
    std::set<int> numbers;
    for (int n = from; n <= to; ++n)
        numbers.insert(n);
    return numbers;
}

TEST_F(MqttBrokerTest, ABrokerRestartedMidRunLosesNothingTheBufferHolds) {
    Broker broker(folder_, port_);
    Subscriber subscriber(port_, "vantrel-test-records", "test/radio/record");
    ASSERT_TRUE(subscriber.WaitSubscribed()) << "the test's broker did not start";
    MqttPublisher publisher(Settings(1000), Notice());
    for (int n = 1; n <= 40; ++n) {
        publisher.Publish(Numbered(n));
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(subscriber.WaitNumbers(40), Range(1, 40));
    broker.Stop();
    for (int n = 41; n <= 140; ++n) // while the broker is away
        publisher.Publish(Numbered(n));
    std::this_thread::sleep_for(300ms);
    broker.Start();
    for (int n = 141; n <= 160; ++n)
        publisher.Publish(Numbered(n));
    const MqttCounts counts = publisher.Close(10s);
    const std::set<int> got = subscriber.WaitNumbers(160);
    std::string missing;
    for (int n = 1; n <= 160; ++n)
        if (!got.count(n))
            missing.append(std::to_string(n)).push_back(' ');
    EXPECT_EQ(missing, "");
    EXPECT_EQ(counts.dropped, 0U);
    EXPECT_EQ(counts.undelivered, 0U);
    std::lock_guard lock(noticesMutex_);
    ASSERT_EQ(notices_.size(), 2U);
    EXPECT_NE(notices_[0].find("mqtt://127.0.0.1:" + std::to_string(port_) + "/test/radio: "),
              std::string::npos);
    EXPECT_NE(notices_[0].find("; reconnecting, keeping up to 1000 records"), std::string::npos);
    EXPECT_NE(notices_[1].find(": connected again"), std::string::npos);
}

// Published while no broker listens, into a buffer of 10: the 10 newest arrive once the broker
// comes, the 15 oldest were dropped and counted.
TEST_F(MqttBrokerTest, AFullBufferDropsTheOldest) {
    MqttPublisher publisher(Settings(10), Notice());
    for (int n = 1; n <= 25; ++n)
        publisher.Publish(Numbered(n));
    Broker broker(folder_, port_);
    Subscriber subscriber(port_, "vantrel-test-buffer", "test/radio/record");
    ASSERT_TRUE(subscriber.WaitSubscribed());
    const MqttCounts counts = publisher.Close(10s);
    EXPECT_EQ(subscriber.WaitNumbers(10), Range(16, 25));
    EXPECT_EQ(counts.dropped, 15U);
    EXPECT_EQ(counts.published, 10U);
}

// No broker on the port: one line says so, plain or behind TLS (whose layer once hid the
// refusal and spun on it), and what was published is counted as undelivered.
TEST_F(MqttBrokerTest, ARefusedConnectionIsSaidOnce) {
    for (const bool tls : {false, true}) {
        MqttSettings settings = Settings(100);
        settings.url.tls = tls;
        MqttPublisher publisher(settings, Notice());
        publisher.Publish(Numbered(1));
        std::this_thread::sleep_for(500ms);
        EXPECT_EQ(publisher.Close(0ms).undelivered, 1U) << "tls " << tls;
        std::lock_guard lock(noticesMutex_);
        ASSERT_EQ(notices_.size(), 1U) << "tls " << tls;
        EXPECT_NE(
            notices_[0].find(tls ? "no connection to the broker's port" : "Connection refused"),
            std::string::npos)
            << notices_[0];
        notices_.clear();
    }
}

// A unit's last trusted position is retained: a subscriber that comes after the run gets it.
TEST_F(MqttBrokerTest, AUnitsLastPositionWaitsForLaterSubscribers) {
    Broker broker(folder_, port_);
    std::vector<DecodedRecord> records = test::RecordsOf(test::MixedBits(), {});
    ASSERT_TRUE(records[2].positionTrusted());
    records[2].source.heard = HeardInfo{1.5, {}, {}, "2026-12-07T21:03:48.123Z"};
    {
        MqttPublisher publisher(Settings(100), Notice());
        for (const DecodedRecord& record : records)
            publisher.Publish(record);
        EXPECT_EQ(publisher.Close(10s).undelivered, 0U);
    }
    Subscriber later(port_, "vantrel-test-later", "test/radio/unit/+/position");
    const std::vector<std::string> positions = later.WaitPayloads(1);
    ASSERT_EQ(positions.size(), 1U);
    EXPECT_EQ(positions[0], "{\"address\":\"4011\",\"latitude\":48.1173,\"longitude\":11.51667,"
                            "\"utc\":\"2026-12-07T21:03:48.123Z\"}");
}

} // namespace
} // namespace vantrel
