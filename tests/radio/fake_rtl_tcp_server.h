// A stand-in for rtl_tcp on a loopback port, for the tests and the bench: it serves each
// connection as its script says (a header, in pieces if asked, then bytes of samples) and then
// vanishes from under the client, and keeps every byte each client sent it. Bounded: it stops
// listening after its last connection, waits at most a few seconds for any client, and stops
// by itself.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace radio_test {

// rtl_tcp's 12 bytes: "RTL0", the tuner, the count of gains, big-endian.
std::string RtlTcpHeaderBytes(std::uint32_t tuner = 5, std::uint32_t gains = 29);

// One command as a client sends it.
struct Command {
    std::uint8_t code = 0;
    std::uint32_t value = 0;
    bool operator==(const Command&) const = default;
};

// Commands in the bytes a client sent: five bytes each, the value big-endian.
std::vector<Command> CommandsIn(const std::vector<std::uint8_t>& bytes);

struct Connection {
    std::string header = RtlTcpHeaderBytes();
    std::size_t headerPiece = 12; // bytes of the header a send, a short pause between them
    // Then `bytes` bytes of samples, `fill(at, piece)` filling each piece with the bytes from
    // `at` on (a prepared capture, or noise made as it is sent); then the server closes the
    // connection.
    std::uint64_t bytes = 0;
    std::function<void(std::uint64_t at, std::span<std::uint8_t> piece)> fill;
    // Before closing: so long silent.
    std::chrono::milliseconds holdOpen{0};
    // After it: so long refusing every client before the next connection is taken.
    std::chrono::milliseconds refuseAfter{0};
};

// A connection that serves `capture` (which must outlive the server) and then vanishes.
Connection Serving(std::span<const std::uint8_t> capture);

class FakeRtlTcpServer {
public:
    // Listens on 127.0.0.1 at once (or, with `refuseFirst`, only after refusing for that long)
    // and serves the connections in order.
    explicit FakeRtlTcpServer(std::vector<Connection> connections,
                              std::chrono::milliseconds refuseFirst = {});
    ~FakeRtlTcpServer();
    FakeRtlTcpServer(const FakeRtlTcpServer&) = delete;
    FakeRtlTcpServer& operator=(const FakeRtlTcpServer&) = delete;

    int port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    // What each client sent; complete once the server has stopped (Stop or its end).
    std::vector<std::vector<std::uint8_t>> received() const;
    // Ends every connection at once and waits for the server's thread.
    void Stop();

private:
    void Serve(const std::vector<Connection>& connections, std::chrono::milliseconds refuseFirst);
    bool ServeOne(int client, const Connection& connection, std::vector<std::uint8_t>& got);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::vector<std::uint8_t>> received_;
    std::thread thread_;
};

} // namespace radio_test
